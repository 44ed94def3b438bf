#include "gs/MemoryManagerControls.h"
#include "host/EntryPoints.h"
#include "host/HostApi.h"
#include "palette/BrowserPalette.h"
#include "support/InProcessHost.h"

#include "gs/MemoryManager.h"

#include <gtest/gtest.h>

using testing_support::InProcessHost;

namespace {

GSErrCode Menu(Int16 menu, Int32 item) {
    API_MenuParams params{};
    params.menuItemRef.menuResID = menu;
    params.menuItemRef.itemIndex = item;
    return OnMenuCommand(&params);
}

GSErrCode Message(Int32 code, bool* answer = nullptr) {
    return OnPaletteMessage(0, code, reinterpret_cast<GSIntPtr>(answer));
}

UInt32 CheckMark(InProcessHost& h) {
    return h.host.addOn.FindMenu(32500)->items[0].flags & MenuItemChecked;
}

} // namespace

TEST(Palette, TheMenuCommandTogglesOneInstance) {
    InProcessHost h;
    EXPECT_FALSE(HasPalette());
    EXPECT_THROW(GetPalette(), GS::NullReferenceException);
    EXPECT_EQ(Menu(32500, 1), NoError);
    ASSERT_TRUE(HasPalette());
    BrowserPalette* first = &GetPalette();
    EXPECT_TRUE(first->IsVisible());
    EXPECT_EQ(first->LastShowValue(), -32768);
    EXPECT_EQ(CheckMark(h), MenuItemChecked);
    EXPECT_TRUE(h.host.addOn.keepLoaded);
    EXPECT_EQ(first->GetBrowser().GetURL().ToCStr(), webAppAddress);
    EXPECT_EQ(first->GetBrowser().LoadCount(), 1);
    ASSERT_EQ(first->GetBrowser().RegisteredObjects().size(), 1u);
    EXPECT_EQ(first->GetBrowser().RegisteredObjects()[0]->GetName().ToCStr(), "jsQuorvelInterface");
    EXPECT_EQ(first->Items()[0].invalidations, 1);

    EXPECT_EQ(Menu(32500, 1), NoError);
    EXPECT_FALSE(first->IsVisible());
    EXPECT_EQ(CheckMark(h), 0u);
    EXPECT_EQ(Menu(32500, 1), NoError);
    EXPECT_EQ(&GetPalette(), first);
    EXPECT_TRUE(first->IsVisible());
    EXPECT_EQ(first->GetBrowser().LoadCount(), 1) << "shown again without a second load";

    EXPECT_EQ(Menu(32500, 2), NoError);
    EXPECT_EQ(Menu(1, 1), NoError);
    EXPECT_TRUE(first->IsVisible());
}

// The check mark is one bit of the item's flags; the others are the host's and stay as they are,
// also when the flags cannot be read.
TEST(Palette, TheCheckMarkChangesOnlyItsOwnBitOfFlagsThatWereRead) {
    const UInt32 others = 0x41;
    for (bool readFails : {false, true}) {
        InProcessHost h;
        UInt32& flags = h.host.addOn.FindMenu(32500)->items[0].flags;
        flags = others;
        if (readFails)
            h.host.faults.Set({HostOp::InterfaceRequest, GSType(Selector::GMIF)}, ErrGeneral);
        EXPECT_EQ(Menu(32500, 1), NoError);
        EXPECT_TRUE(GetPalette().IsVisible());
        EXPECT_EQ(flags, readFails ? others : (others | MenuItemChecked)) << readFails;
        EXPECT_EQ(Menu(32500, 1), NoError);
        EXPECT_FALSE(GetPalette().IsVisible());
        EXPECT_EQ(flags, others) << readFails;
        EXPECT_EQ(h.host.counters.Of("InterfaceRequest.SMIF"), readFails ? 0u : 2u);
    }
}

TEST(Palette, HostMessagesActOnlyInTheirStates) {
    InProcessHost h;
    bool answer = true;
    EXPECT_EQ(Message(7, &answer), NoError);
    EXPECT_FALSE(answer) << "no palette yet";
    for (Int32 code : {1, 2, 3, 4, 5, 99})
        EXPECT_EQ(Message(code), NoError);
    EXPECT_FALSE(HasPalette()) << "only message 6 creates";

    EXPECT_EQ(Message(6), NoError);
    ASSERT_TRUE(HasPalette());
    BrowserPalette& p = GetPalette();
    EXPECT_TRUE(p.IsVisible());
    EXPECT_EQ(Message(6), NoError);
    EXPECT_EQ(&GetPalette(), &p) << "message 6 on a visible palette creates nothing";
    EXPECT_EQ(Message(7, &answer), NoError);
    EXPECT_TRUE(answer);

    EXPECT_EQ(Message(4), NoError);
    EXPECT_FALSE(p.Items()[0].enabled);
    EXPECT_EQ(Message(2), NoError);
    EXPECT_FALSE(p.IsVisible());
    EXPECT_EQ(Message(5), NoError);
    EXPECT_FALSE(p.Items()[0].enabled) << "hidden: enabling waits";
    EXPECT_EQ(Message(3), NoError);
    EXPECT_TRUE(p.IsVisible());
    EXPECT_FALSE(p.Items()[0].enabled) << "back with its items as they were";
    EXPECT_EQ(Message(5), NoError);
    EXPECT_TRUE(p.Items()[0].enabled);
    EXPECT_EQ(Message(1), NoError);
    EXPECT_FALSE(p.IsVisible());
    EXPECT_EQ(CheckMark(h), 0u);
    EXPECT_EQ(Message(4), NoError);
    EXPECT_EQ(Message(5), NoError);
    EXPECT_EQ(Message(3), NoError);
    EXPECT_TRUE(p.Items()[0].enabled) << "disabling a hidden palette changes nothing";
}

TEST(Palette, ClosingHidesAndResizingFollowsTheWindow) {
    InProcessHost h;
    ASSERT_EQ(Menu(32500, 1), NoError);
    BrowserPalette& p = GetPalette();
    p.UserClose();
    EXPECT_FALSE(p.IsVisible());
    EXPECT_EQ(CheckMark(h), 0u);
    ASSERT_EQ(Menu(32500, 1), NoError);
    EXPECT_EQ(&GetPalette(), &p);
    EXPECT_EQ(p.GetBrowser().LoadCount(), 1);

    p.UserResize(30, -10);
    EXPECT_EQ(p.GetBrowser().GetWidth(), 480);
    EXPECT_EQ(p.GetBrowser().GetHeight(), 140);
    EXPECT_FALSE(p.IsMovingItems());

    auto [allowed, text] = p.GetBrowser().RequestDownload(GS::UniString("https://files/x"));
    EXPECT_TRUE(allowed);
    EXPECT_EQ(text.ToCStr(), "trr");
}

TEST(Palette, AFailedAllocationStillKeepsTheAddOnLoaded) {
    InProcessHost h;
    BM::FailAllocations(0, 1);
    EXPECT_EQ(Menu(32500, 1), NoError);
    BM::ClearFailures();
    EXPECT_FALSE(HasPalette());
    EXPECT_TRUE(h.host.addOn.keepLoaded);
    EXPECT_EQ(CheckMark(h), 0u);
}
