// simhost's module-command parameter lists and posted commands.
#include "host/AddOnIdentity.h"
#include "host/HostApi.h"
#include "runtime/EventLoop.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <functional>

using testing_support::InProcessHost;

namespace {

GSErrCode Utility(Selector s, void* p1, void* p2 = nullptr) {
    return HostApi::UtilityRequest(GSType(s), p1, p2, nullptr, nullptr);
}

API_ModulParam Record(const char* name, Int32 type, Int32 value = 0, const char* text = nullptr) {
    API_ModulParam r{};
    r.name = name;
    r.type = type;
    r.intValue = value;
    r.stringValue = text;
    return r;
}

} // namespace

TEST(SimhostModuleCommands, ParameterListsCheckWhatTheyAreHanded) {
    InProcessHost h;
    API_ModulParamsHandle list = nullptr;
    ASSERT_EQ(Utility(Selector::ICLP, &list), NoError);
    ASSERT_NE(list, nullptr);

    API_ModulParam text = Record("a", ModulParamString, 0, "one");
    API_ModulParam number = Record("b", ModulParamInteger, 42);
    API_ModulParam noType = Record("c", ModulParamNone);
    API_ModulParam noName = Record("", ModulParamInteger, 1);
    API_ModulParam noText = Record("d", ModulParamString);
    const struct {
        Selector selector;
        API_ModulParamsHandle handle;
        API_ModulParam* record;
        GSErrCode code;
    } cases[] = {
        {Selector::ACLP, list, &text, NoError},
        {Selector::ACLP, list, &number, NoError},
        {Selector::ACLP, list, &text, ErrNameExists},
        {Selector::ACLP, list, &noType, ErrBadParameter},
        {Selector::ACLP, list, &noName, ErrBadParameter},
        {Selector::ACLP, list, &noText, ErrBadParameter},
        {Selector::ACLP, reinterpret_cast<API_ModulParamsHandle>(&text), &number, ErrBadHandle},
        {Selector::CCLP, list, &noText, ErrNotFound},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utility(c.selector, c.handle, c.record), c.code) << c.record->name;

    API_ModulParam found = Record("b", ModulParamNone);
    ASSERT_EQ(Utility(Selector::GCLP, list, &found), NoError);
    EXPECT_EQ(found.type, ModulParamInteger);
    EXPECT_EQ(found.intValue, 42);
    API_ModulParam wrongType = Record("a", ModulParamInteger, 7);
    EXPECT_EQ(Utility(Selector::CCLP, list, &wrongType), ErrBadParameter) << "a change keeps the type";
    API_ModulParam missing = Record("zz", ModulParamNone);
    EXPECT_EQ(Utility(Selector::GCLP, list, &missing), ErrNotFound);

    EXPECT_EQ(Utility(Selector::FCLP, &list), NoError);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(h.host.paramLists.LiveCount(), 0u);
}

// A posted list is the host's whatever the post answers: a refused post disposes of it at once,
// and the caller never does.
TEST(SimhostModuleCommands, APostedListIsTheHostsWhateverThePostAnswers) {
    using Post = std::function<GSErrCode(InProcessHost&, API_ModulParamsHandle)>;
    const auto to = [](const API_ModulID* target, GSType command, Int32 version) -> Post {
        return [=](InProcessHost&, API_ModulParamsHandle list) {
            return HostApi::PostModuleCommand(target, command, version, list, true, nullptr);
        };
    };
    static const API_ModulID other{1, 2};
    const struct {
        const char* what;
        Post post;
        GSErrCode code;
    } refusals[] = {
        {"another add-on", to(&other, CommandSelect, 1), ErrNotFound},
        {"an unknown command", to(&AddOnIdentifier, FourCC("XXXX"), 1), ErrNotFound},
        {"another version", to(&AddOnIdentifier, CommandSelect, 2), ErrNotFound},
        {"no target", to(nullptr, CommandSelect, 1), ErrBadParameter},
        {"a failing host",
         [](InProcessHost& h, API_ModulParamsHandle list) {
             h.host.faults.Set({HostOp::PostModuleCommand, std::nullopt}, ErrNotFound);
             return HostApi::PostModuleCommand(&AddOnIdentifier, CommandSelect, 1, list, true, nullptr);
         },
         ErrNotFound},
        {"another add-on handle",
         [](InProcessHost& h, API_ModulParamsHandle list) {
             const auto post = reinterpret_cast<HostFn::PostModuleCommand>(
                 h.host.table.entries[HostOps[int(HostOp::PostModuleCommand)].slot]);
             return post(&h, &AddOnIdentifier, CommandSelect, 1, list, true, nullptr);
         },
         ErrBadHandle},
    };
    for (const auto& c : refusals) {
        InProcessHost h;
        API_ModulParamsHandle list = nullptr;
        ASSERT_EQ(Utility(Selector::ICLP, &list), NoError);
        EXPECT_EQ(c.post(h, list), c.code) << c.what;
        EXPECT_TRUE(h.host.posted.empty()) << c.what;
        EXPECT_EQ(h.host.paramLists.LiveCount(), 0u) << c.what << ": disposed of by the host";
        EXPECT_EQ(Utility(Selector::FCLP, &list), ErrBadHandle)
            << c.what << ": not the caller's to dispose of";
    }

    InProcessHost h;
    API_ModulParamsHandle list = nullptr;
    ASSERT_EQ(Utility(Selector::ICLP, &list), NoError);
    auto foreign = reinterpret_cast<API_ModulParamsHandle>(&h);
    EXPECT_EQ(HostApi::PostModuleCommand(&AddOnIdentifier, CommandSelect, 1, foreign, true, nullptr),
              ErrBadHandle);
    EXPECT_EQ(h.host.paramLists.LiveCount(), 1u) << "a handle of no list takes none";

    ASSERT_EQ(HostApi::PostModuleCommand(&AddOnIdentifier, CommandSelect, 1, list, true, nullptr), NoError);
    EXPECT_EQ(HostApi::PostModuleCommand(&AddOnIdentifier, CommandSelect, 1, list, true, nullptr),
              ErrBadParameter)
        << "one list travels with one command";
    ASSERT_EQ(h.host.posted.size(), 1u) << "the list posted already stays queued";
    API_ModulParamsHandle posted = list;
    EXPECT_EQ(Utility(Selector::FCLP, &posted), ErrBadHandle) << "posted: the host's to dispose of";

    auto delivered = simhost::DeliverPostedCommands(h.host);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].code, CommandSelect);
    ASSERT_TRUE(delivered[0].result);
    EXPECT_EQ(*delivered[0].result, NoError) << "an empty list selects nothing and answers 0";
    EXPECT_EQ(h.host.paramLists.LiveCount(), 0u);
    EXPECT_TRUE(simhost::DeliverPostedCommands(h.host).empty());
}
