// simhost acts on KeepLoaded: an add-on that did not ask to stay loaded is unloaded when the host
// is idle, and loaded again, through its entry points, when a menu command or an event needs it.
#include "host/HostApi.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <functional>

using testing_support::InProcessHost;

TEST(SimhostKeepLoaded, AnAddOnIsUnloadedWhenIdleUnlessItAskedToStayOrACommandWaits) {
    const struct {
        const char* what;
        std::function<void(InProcessHost&)> before;
        bool unloaded;
    } cases[] = {
        {"it never asked", [](InProcessHost&) {}, true},
        {"it asked", [](InProcessHost&) { ASSERT_EQ(HostApi::KeepLoaded(true), NoError); }, false},
        {"it asked, then let go",
         [](InProcessHost&) {
             ASSERT_EQ(HostApi::KeepLoaded(true), NoError);
             ASSERT_EQ(HostApi::KeepLoaded(false), NoError);
         },
         true},
        {"a command waits for it",
         [](InProcessHost& h) { h.host.posted.push_back(simhost::PostedCommand{}); }, false},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        c.before(h);
        EXPECT_EQ(h.session.UnloadIfIdle(), c.unloaded) << c.what;
        EXPECT_EQ(h.session.IsLoaded(), !c.unloaded) << c.what;
        EXPECT_EQ(h.session.IsAsleep(), c.unloaded) << c.what;
        h.host.posted.clear();
    }
}

TEST(SimhostKeepLoaded, TheHostKeepsWhatTheAddOnDeclaredAndLoadsItAgainForAnEvent) {
    InProcessHost h;
    ASSERT_TRUE(h.session.UnloadIfIdle());
    // Declared in RegisterAddOnInterface, kept; installed by the code that went, gone.
    ASSERT_NE(h.host.addOn.FindMenu(32500), nullptr);
    EXPECT_EQ(h.host.addOn.FindMenu(32500)->handler, nullptr);
    EXPECT_NE(h.host.addOn.FindCommand(CommandSelect, 1), nullptr);
    EXPECT_TRUE(h.host.addOn.palettes.empty());
    EXPECT_EQ(h.host.addOnHandle, nullptr);
    EXPECT_NE(h.host.addOn.eventMask, 0);

    h.host.counters.Reset();
    // The close event: it sets nothing the in-process add-on would keep for the next test.
    const auto answered = h.host.SendProjectEvent(ProjectEventClose, 7);
    ASSERT_TRUE(answered.has_value()) << "loaded again for the event it takes";
    EXPECT_EQ(*answered, NoError);
    EXPECT_TRUE(h.session.IsLoaded());
    EXPECT_EQ(h.host.debugLines.back(), "7");
    EXPECT_EQ(h.host.counters.Of("RegisterMenu"), 0u) << "declared once";
    EXPECT_EQ(h.host.counters.Of("InstallMenuHandler"), 1u) << "initialised anew";
    EXPECT_NE(h.host.addOn.FindMenu(32500)->handler, nullptr);

    // Unloaded by the user (not while idle), it is gone for good.
    ASSERT_TRUE(h.session.UnloadIfIdle());
    (void)h.session.Unload(true);
    EXPECT_FALSE(h.session.IsAsleep());
    EXPECT_FALSE(h.host.SendProjectEvent(ProjectEventClose, 8).has_value());
    EXPECT_FALSE(h.session.Wake());
}
