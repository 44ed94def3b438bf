#include "export/ProjectOverviewExporter.h"
#include "host/EntryPoints.h"
#include "host/HostApi.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using testing_support::InProcessHost;

TEST(Lifecycle, DescribesRegistersAndInstallsInTheHostsOrder) {
    InProcessHost h;
    EXPECT_EQ(h.lifecycle.kind, 2);
    EXPECT_EQ(h.lifecycle.name, "Quorvel");
    EXPECT_EQ(h.lifecycle.description, "Plugin");
    ASSERT_EQ(h.host.addOn.commands.size(), 1u);
    EXPECT_EQ(h.host.addOn.commands[0].code, 0x53454C45u);
    EXPECT_EQ(h.host.addOn.commands[0].version, 1);
    EXPECT_NE(h.host.addOn.commands[0].handler, nullptr);
    auto* menu = h.host.addOn.FindMenu(32500);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->items.size(), 1u);
    EXPECT_EQ(menu->items[0].text, "Quorvel Palette");
    EXPECT_NE(menu->handler, nullptr);
    ASSERT_EQ(h.host.addOn.palettes.size(), 1u);
    EXPECT_EQ(h.host.addOn.palettes[0].flags, 1015);
    EXPECT_EQ(h.host.addOn.palettes[0].guid, GS::Guid("766cab9a-f04e-4a1d-bb79-5987b4dc8320"));
    // The wrapping sum of the four little-endian words of the guid's bytes.
    EXPECT_EQ(UInt32(h.host.addOn.palettes[0].referenceId),
              0x9AAB6C76u + 0x1D4A4EF0u + 0x875979BBu + 0x2083DCB4u);
    EXPECT_EQ(h.host.addOn.eventMask, 4095);
    EXPECT_EQ(HostApi::AddOnHandle(), h.host.addOnHandle);
}

TEST(Lifecycle, ProjectEventsOneTwoAndFourMarkANewProject) {
    InProcessHost h;
    const struct {
        Int32 event;
        bool sets;
    } cases[] = {{1, true}, {2, true}, {4, true}, {8, false}, {16, false}, {0x800, false}};
    for (const auto& c : cases) {
        newProjectLoaded = false;
        h.TakeDebugLines();
        auto result = h.host.SendProjectEvent(c.event, c.event * 10 - 1);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, NoError);
        EXPECT_EQ(newProjectLoaded, c.sets) << c.event;
        EXPECT_EQ(h.TakeDebugLines(), std::vector<std::string>{std::to_string(c.event * 10 - 1)});
    }
    newProjectLoaded = true;
    (void)h.host.SendProjectEvent(8, 0);
    EXPECT_TRUE(newProjectLoaded) << "a set flag stays set";
    newProjectLoaded = false;
}

TEST(Lifecycle, FreeClearsTheHandleAndUnloadingWithoutItIsAbnormal) {
    {
        InProcessHost h;
        ASSERT_EQ(h.session.Free(), NoError);
        EXPECT_EQ(HostApi::AddOnHandle(), nullptr);
        EXPECT_TRUE(h.session.Unload(false).empty());
    }
    InProcessHost h;
    EXPECT_EQ(h.session.Unload(false),
              std::vector<std::string>{"Abnormal add-on termination (\"in-process\")"});
    EXPECT_EQ(HostApi::AddOnHandle(), nullptr);
    EXPECT_EQ(HostApi::OwnResourceModule(), -1);
}

TEST(Lifecycle, HandlersIgnoreOtherMenusAndAnswerZero) {
    InProcessHost h;
    for (auto [menu, item] : {std::pair<Int16, Int32>{32500, 2}, {32501, 1}, {1, 1}}) {
        API_MenuParams params{};
        params.menuItemRef.menuResID = menu;
        params.menuItemRef.itemIndex = item;
        EXPECT_EQ(OnMenuCommand(&params), NoError);
    }
    bool visible = true;
    EXPECT_EQ(OnPaletteMessage(0, 7, reinterpret_cast<GSIntPtr>(&visible)), NoError);
    EXPECT_FALSE(visible) << "before the palette exists";
}
