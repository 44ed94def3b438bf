#include "host/SelectCommand.h"
#include "host/CommandParameters.h"
#include "runtime/EventLoop.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using testing_support::InProcessHost;

namespace {

GS::Guid PlaceWall(InProcessHost& h) {
    simhost::Element e;
    e.guid = GS::Guid::Generate();
    e.type = 1;
    h.host.project.elements.elements.push_back(e);
    return e.guid;
}

const std::vector<GS::Guid>& Selected(const InProcessHost& h) {
    return h.host.project.selection.guids;
}

simhost::ModuleParameterList& PostedList(InProcessHost& h, size_t i = 0) {
    return *h.host.paramLists.Find(h.host.posted.at(i).params);
}

} // namespace

TEST(SelectCommand, PostingQueuesTheCommandAndTheEventLoopSelects) {
    InProcessHost h;
    GS::Guid first = PlaceWall(h);
    GS::Guid second = PlaceWall(h);

    PostSelectCommand(GS::UniString(first.ToString()), 1);
    EXPECT_TRUE(Selected(h).empty()) << "nothing happens inside the post";
    ASSERT_EQ(h.host.posted.size(), 1u);
    EXPECT_EQ(h.host.posted[0].code, CommandSelect);
    EXPECT_EQ(h.host.posted[0].version, 1);
    EXPECT_EQ(*PostedList(h).Find("elemGuid")->stringValue, first.ToString());
    EXPECT_EQ(PostedList(h).Find("modification")->intValue, 1);
    simhost::DeliverPostedCommands(h.host);
    EXPECT_EQ(Selected(h), std::vector<GS::Guid>{first});

    PostSelectCommand(GS::UniString(second.ToString()), 1);
    simhost::DeliverPostedCommands(h.host);
    EXPECT_EQ(Selected(h), (std::vector<GS::Guid>{first, second})) << "modification 1 adds";

    PostSelectCommand(GS::UniString(first.ToString()), 0);
    simhost::DeliverPostedCommands(h.host);
    EXPECT_EQ(Selected(h), std::vector<GS::Guid>{first}) << "modification 0 replaces";
    EXPECT_EQ(h.host.paramLists.LiveCount(), 0u) << "the host disposed of every delivered list";
}

TEST(SelectCommand, ALongGuidTextIsCutTo127Characters) {
    InProcessHost h;
    PostSelectCommand(GS::UniString(std::string(300, 'a')), 1);
    ASSERT_EQ(h.host.posted.size(), 1u);
    EXPECT_EQ(*PostedList(h).Find("elemGuid")->stringValue, std::string(127, 'a'));
}

// The post hands the list to the host whatever it answers: the add-on never disposes of it, and
// no list is left behind.
TEST(SelectCommand, APostedListIsNeverDisposedOfByTheAddOn) {
    for (GSErrCode answer : {NoError, ErrNotFound, ErrBadParameter, ErrBadHandle}) {
        InProcessHost h;
        if (answer != NoError)
            h.host.faults.Set({HostOp::PostModuleCommand, std::nullopt}, answer);
        PostSelectCommand(GS::UniString("x"), 1);
        EXPECT_EQ(h.host.counters.Of("UtilityRequest.FCLP"), 0u) << answer;
        EXPECT_EQ(h.host.posted.size(), answer == NoError ? 1u : 0u) << answer;
        EXPECT_EQ(h.host.paramLists.LiveCount(), h.host.posted.size()) << answer;
    }
}

TEST(SelectCommand, TheHandlerSelectsOnlyWithBothParametersOfTheirTypes) {
    struct Case {
        const char* what;
        bool guid, guidAsInteger, modification, modificationAsString;
        size_t selected;
    };
    const Case cases[] = {
        {"both", true, false, true, false, 1},
        {"no modification", true, false, false, false, 0},
        {"no guid", false, false, true, false, 0},
        {"guid as integer", false, true, true, false, 0},
        {"modification as string", true, false, false, true, 0},
    };
    for (const Case& c : cases) {
        InProcessHost h;
        GS::Guid wall = PlaceWall(h);
        CommandParameters list(true);
        if (c.guid) {
            ASSERT_TRUE(list.SetString("elemGuid", wall.ToString().c_str()));
        }
        if (c.guidAsInteger) {
            ASSERT_TRUE(list.SetInteger("elemGuid", 5));
        }
        if (c.modification) {
            ASSERT_TRUE(list.SetInteger("modification", 1));
        }
        if (c.modificationAsString) {
            ASSERT_TRUE(list.SetString("modification", "1"));
        }
        EXPECT_EQ(OnSelectCommand(list.Handle()), NoError) << c.what;
        EXPECT_EQ(Selected(h).size(), c.selected) << c.what;
    }
}

TEST(SelectCommand, ASelectionErrorIsTheHandlersResult) {
    InProcessHost h;
    CommandParameters list(true);
    ASSERT_TRUE(list.SetString("elemGuid", GS::Guid::Generate().ToString().c_str()));
    ASSERT_TRUE(list.SetInteger("modification", 1));
    EXPECT_EQ(OnSelectCommand(list.Handle()), ErrNotFound) << "the GUID names no element";
    EXPECT_TRUE(Selected(h).empty());
}

TEST(CommandParameters, TypesAreKeptPerNameAndStringsChangeInPlace) {
    InProcessHost h;
    {
        CommandParameters list(true);
        ASSERT_TRUE(list.SetString("name", "first"));
        EXPECT_FALSE(list.SetInteger("name", 3)) << "an integer over a string fails";
        simhost::ModuleParameterList& kept = *h.host.paramLists.Find(list.Handle());
        ASSERT_EQ(kept.parameters.size(), 1u);
        EXPECT_EQ(kept.parameters[0].type, ModulParamString);
        EXPECT_EQ(*kept.parameters[0].stringValue, "first");

        const char* before = *list.GetString("name");
        ASSERT_TRUE(list.SetString("name", "second"));
        EXPECT_EQ(kept.parameters.size(), 1u) << "changed in place, not added";
        EXPECT_STREQ(*list.GetString("name"), "second");
        EXPECT_STREQ(before, "first") << "a text handed out earlier stays valid";
        EXPECT_FALSE(list.GetInteger("name"));
        EXPECT_FALSE(list.GetString("missing"));

        ASSERT_TRUE(list.SetInteger("count", 7));
        EXPECT_FALSE(list.SetString("count", "seven")) << "a string over an integer fails";
        EXPECT_EQ(list.GetInteger("count"), 7);
        EXPECT_FALSE(list.GetString("count"));
        EXPECT_EQ(kept.parameters.size(), 2u);
        EXPECT_EQ(h.host.paramLists.LiveCount(), 1u);
    }
    EXPECT_EQ(h.host.paramLists.LiveCount(), 0u) << "an owning wrapper disposes of its list";
}
