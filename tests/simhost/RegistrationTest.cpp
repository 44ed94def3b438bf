#include "host/HostApi.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using testing_support::InProcessHost;

TEST(SimhostRegistration, RepeatedAndUnknownRegistrationsAreRefused) {
    InProcessHost h;
    EXPECT_EQ(HostApi::RegisterModuleCommand(CommandSelect, 1), ErrAlreadyRegistered);
    EXPECT_EQ(HostApi::RegisterModuleCommand(CommandSelect, 2), NoError)
        << "another version is another command";
    EXPECT_EQ(HostApi::RegisterMenu(32500, 0, 0, 0), ErrAlreadyRegistered);
    EXPECT_EQ(HostApi::RegisterMenu(32000, 0, 0, 0), ErrNotFound) << "a list with no item strings is no menu";
    EXPECT_EQ(HostApi::RegisterMenu(12345, 0, 0, 0), ErrNotFound);
    EXPECT_EQ(HostApi::InstallMenuHandler(12345, nullptr), ErrNotRegistered);
    EXPECT_EQ(HostApi::InstallModuleCommandHandler(FourCC("XXXX"), 1, nullptr), ErrNotRegistered);
    GS::Guid guid("766cab9a-f04e-4a1d-bb79-5987b4dc8320");
    EXPECT_EQ(HostApi::RegisterPalette(
                  1, [](Int32, Int32, GSIntPtr) { return NoError; }, 0, &guid),
              ErrAlreadyRegistered);
    EXPECT_EQ(HostApi::RegisterPalette(1, nullptr, 0, nullptr), ErrBadParameter);
}

TEST(SimhostRegistration, MenuItemFlagsAreReadAndWritten) {
    InProcessHost h;
    API_MenuItemRef item{};
    item.menuResID = 32500;
    item.itemIndex = 1;
    UInt32 flags = 99;
    ASSERT_EQ(HostApi::InterfaceRequest(GSType(Selector::GMIF), &item, &flags, nullptr, nullptr, nullptr),
              NoError);
    EXPECT_EQ(flags, 0u);
    flags = MenuItemChecked;
    ASSERT_EQ(HostApi::InterfaceRequest(GSType(Selector::SMIF), &item, &flags, nullptr, nullptr, nullptr),
              NoError);
    EXPECT_EQ(h.host.addOn.FindMenu(32500)->items[0].flags, MenuItemChecked);
    for (auto [menu, index] : {std::pair<Int16, Int32>{32500, 2}, {32500, 0}, {1, 1}}) {
        item.menuResID = menu;
        item.itemIndex = index;
        EXPECT_EQ(HostApi::InterfaceRequest(GSType(Selector::GMIF), &item, &flags, nullptr, nullptr, nullptr),
                  ErrNotFound);
    }
    EXPECT_EQ(HostApi::InterfaceRequest(FourCC("ZZZZ"), nullptr, nullptr, nullptr, nullptr, nullptr),
              ErrBadSelector);
}

TEST(SimhostRegistration, ApplicationInfoCarriesTheLanguage) {
    InProcessHost h;
    h.host.language = "GER";
    API_ApplicationInfo info{};
    EXPECT_EQ(HostApi::EnvironmentRequest(GSType(Selector::APPL), &info, nullptr, nullptr), ErrBadParameter)
        << "the record's version must be set";
    info.recordVersion = 1;
    ASSERT_EQ(HostApi::EnvironmentRequest(GSType(Selector::APPL), &info, nullptr, nullptr), NoError);
    EXPECT_EQ(info.language.ToCStr(), "GER");
}
