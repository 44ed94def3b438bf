#include "export/ProjectIdentity.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using testing_support::InProcessHost;

namespace {
simhost::OperationName Utility(Selector s) {
    return {HostOp::UtilityRequest, GSType(s)};
}

std::vector<simhost::Autotext> Named(const simhost::Host& host, const std::string& name) {
    std::vector<simhost::Autotext> found;
    for (const auto& a : host.project.autotexts)
        if (a.name == name)
            found.push_back(a);
    return found;
}
} // namespace

TEST(ProjectIdentity, AFreshProjectGetsExactlyOneIdentityThenOnlyReads) {
    InProcessHost h;
    std::string id = GetProjectGuid();
    auto created = Named(h.host, "QV_GUID");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_FALSE(GS::Guid(id).IsNull());
    EXPECT_EQ(created[0].value, id);
    EXPECT_EQ(created[0].Key(), "autotext-" + id) << "the key holds the same GUID as the value";

    h.host.counters.Reset();
    EXPECT_EQ(GetProjectGuid(), id);
    EXPECT_EQ(h.host.counters.Of(Utility(Selector::CAAT)), 0u);
    EXPECT_EQ(h.host.counters.Of(Utility(Selector::SAAT)), 0u);
    EXPECT_EQ(Named(h.host, "QV_GUID").size(), 1u);
}

TEST(ProjectIdentity, ReadsTheLastMatchingAutotextByExactName) {
    const struct {
        std::vector<std::pair<std::string, std::string>> autotexts;
        std::string expected; // empty: a new identity is created
        bool creates;
    } cases[] = {
        {{{"QV_GUID", "V1"}}, "V1", false},
        {{{"QV_GUID", "first"}, {"Other", "x"}, {"QV_GUID", "second"}}, "second", false},
        {{{"QV_GUID", ""}}, "", false}, // an empty value is returned as it is
        {{{"qv_guid", "lower"}}, "", true},
        {{{"QV_GUID ", "blank"}}, "", true},
        {{{"QV_GUIDX", "longer"}}, "", true},
        {{{"XQV_GUID", "prefix"}}, "", true},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        for (const auto& [name, value] : c.autotexts)
            h.host.project.autotexts.push_back({name, GS::Guid::Generate(), value});
        size_t before = h.host.project.autotexts.size();
        std::string id = GetProjectGuid();
        if (c.creates) {
            ASSERT_EQ(h.host.project.autotexts.size(), before + 1);
            EXPECT_EQ(h.host.project.autotexts.back().name, "QV_GUID");
            EXPECT_EQ(h.host.project.autotexts.back().value, id);
        } else {
            EXPECT_EQ(id, c.expected);
            EXPECT_EQ(h.host.project.autotexts.size(), before);
        }
    }
}

TEST(ProjectIdentity, HostFailuresWriteTheirDebugLines) {
    {
        InProcessHost h;
        h.host.faults.Set(Utility(Selector::CAAT), ErrGeneral);
        h.TakeDebugLines();
        EXPECT_EQ(GetProjectGuid(), "");
        EXPECT_EQ(h.TakeDebugLines(), std::vector<std::string>{"APIAny_CreateAnAutoTextID function failed."});
        EXPECT_TRUE(h.host.project.autotexts.empty());
    }
    {
        InProcessHost h;
        h.host.faults.Set(Utility(Selector::SAAT), ErrGeneral);
        h.TakeDebugLines();
        EXPECT_EQ(GetProjectGuid(), "") << "what the project holds, not a GUID it never stored";
        EXPECT_EQ(h.TakeDebugLines(), std::vector<std::string>{"APIAny_SetAnAutoTextID function failed."});
        auto created = Named(h.host, "QV_GUID");
        ASSERT_EQ(created.size(), 1u);
        EXPECT_EQ(created[0].value, "") << "the autotext keeps the value it was created with";
        h.host.faults.Clear();
        EXPECT_EQ(GetProjectGuid(), "") << "later calls find it by name";
    }
}

TEST(ProjectIdentity, AFailedListingCreatesNothing) {
    InProcessHost h;
    h.host.project.autotexts.push_back({"QV_GUID", GS::Guid::Generate(), "existing"});
    for (GSErrCode code : {ErrGeneral, ErrMissingEntry}) {
        h.host.faults.Set(Utility(Selector::GATS), code);
        h.TakeDebugLines();
        EXPECT_EQ(GetProjectGuid(), "");
        EXPECT_EQ(h.TakeDebugLines(), std::vector<std::string>{"APIAny_GetAutoTextsID function failed."});
        EXPECT_EQ(h.host.project.autotexts.size(), 1u);
    }
    h.host.faults.Clear();
    EXPECT_EQ(GetProjectGuid(), "existing") << "the permanent identity survives";
}
