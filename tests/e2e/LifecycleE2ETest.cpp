// The built add-on, opened with dlopen and driven only through its exports.
#include "runtime/Host.h"
#include "runtime/Session.h"
#include "runtime/System.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

using simhost::Host;
using simhost::Session;

namespace {
const char* AddOnPath = QUORVEL_ADDON_PATH;
}

TEST(AddOnModule, EntryTableBytes) {
    Host host;
    Session session(host);
    session.Load(AddOnPath);
    unsigned char bytes[sizeof(AddOnEntryTable)];
    std::memcpy(bytes, &session.EntryTable(), sizeof bytes);
    const unsigned char version[] = {0x01, 0x00, 0x17, 0x00};
    EXPECT_EQ(std::memcmp(bytes, version, 4), 0);
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    for (int entry = 8; entry < 40; entry += 8) {
        void* p;
        std::memcpy(&p, bytes + entry, sizeof p);
        EXPECT_NE(p, nullptr) << entry;
    }
    const unsigned char hostVersion[] = {0xD8, 0x59, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(bytes + 40, hostVersion, 4), 0);
    for (int i = 44; i < 120; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
}

TEST(AddOnModule, EveryEntryPointRefusesBeforeTheFunctionTable) {
    Host host;
    Session session(host);
    session.Load(AddOnPath);
    API_AddOnDescription description;
    EXPECT_EQ(session.Describe(&description), 0);
    EXPECT_TRUE(description.name.IsEmpty());
    EXPECT_EQ(session.RegisterInterface(), GSErrCode(0x81060001u));
    EXPECT_EQ(session.Initialize(), GSErrCode(0x81060001u));
    EXPECT_EQ(session.Free(), GSErrCode(0x81060001u));
    EXPECT_TRUE(host.counters.All().empty()) << "no host operation was called";
    EXPECT_TRUE(host.addOn.commands.empty());
}

TEST(AddOnModule, DescribesItselfFromItsEmbeddedResources) {
    Host host;
    Session session(host);
    session.Load(AddOnPath);
    auto result = session.RunLifecycle();
    ASSERT_TRUE(result.completed) << result.failedStep;
    EXPECT_EQ(result.kind, 2);
    EXPECT_EQ(result.name, "Quorvel");
    EXPECT_EQ(result.description, "Plugin");
    EXPECT_TRUE(session.Unload(true).empty());
}

TEST(AddOnModule, AFailingHostCallIsTheEntryPointsResultAndStopsTheLaterCalls) {
    const struct {
        HostOp failing;
        const char* step;
    } cases[] = {
        {HostOp::RegisterModuleCommand, "RegisterAddOnInterface"},
        {HostOp::RegisterMenu, "RegisterAddOnInterface"},
        {HostOp::InstallModuleCommandHandler, "InitializeAddOn"},
        {HostOp::InstallMenuHandler, "InitializeAddOn"},
        {HostOp::RegisterPalette, "InitializeAddOn"},
        {HostOp::CatchProjectEvents, "InitializeAddOn"},
    };
    const HostOp order[] = {
        HostOp::RegisterModuleCommand, HostOp::RegisterMenu,    HostOp::InstallModuleCommandHandler,
        HostOp::InstallMenuHandler,    HostOp::RegisterPalette, HostOp::CatchProjectEvents};
    for (const auto& c : cases) {
        Host host;
        Session session(host);
        session.Load(AddOnPath);
        const GSErrCode code = GSErrCode(0x81069999u);
        host.faults.Set({c.failing, std::nullopt}, code);
        auto result = session.RunLifecycle();
        EXPECT_FALSE(result.completed);
        EXPECT_EQ(result.failedStep, c.step) << HostOps[int(c.failing)].name;
        EXPECT_EQ(result.code, code);
        bool after = false;
        for (HostOp op : order) {
            simhost::OperationName name{op, std::nullopt};
            EXPECT_EQ(host.counters.Of(name), after ? 0u : 1u)
                << HostOps[int(c.failing)].name << " then " << HostOps[int(op)].name;
            if (op == c.failing)
                after = true;
        }
        session.Unload(true);
    }
}

// The palette lives until the module is unloaded, and is released then exactly once, whichever
// order the system runs the module's own teardown in; loaded again, the module opens a new one.
TEST(AddOnModule, UnloadingWithThePaletteOpenReleasesItOnce) {
    Host host;
    Session session(host);
    for (int life = 1; life <= 2; ++life) {
        session.Load(AddOnPath);
        ASSERT_TRUE(session.RunLifecycle().completed) << life;
        auto* menu = host.addOn.FindMenu(32500);
        ASSERT_NE(menu, nullptr) << life;
        API_MenuParams params{};
        params.menuItemRef.menuResID = 32500;
        params.menuItemRef.itemIndex = 1;
        ASSERT_EQ(CallAddOn(host, "the menu handler", [&] { return menu->handler(&params); }), NoError)
            << life;
        ASSERT_EQ(host.addOn.palettes.size(), 1u) << life;
        EXPECT_TRUE(session.Unload(true).empty()) << life;
        EXPECT_EQ(host.violations.Lines(), std::vector<std::string>{}) << life;
    }
}

#ifdef _WIN32
// The add-on imports the system's download library, which a host process holds for its life:
// unloaded and loaded again with each session, it now and then hung a download under Wine.
TEST(AddOnModule, TheSystemsInternetLibrariesOutliveTheAddOn) {
    Host host;
    Session session(host);
    for (int life = 1; life <= 2; ++life) {
        session.Load(AddOnPath);
        ASSERT_TRUE(session.RunLifecycle().completed) << life;
        ASSERT_NE(GetModuleHandleW(L"urlmon.dll"), nullptr) << life;
        session.Unload(true);
        EXPECT_NE(GetModuleHandleW(L"urlmon.dll"), nullptr) << life;
    }
}
#endif

TEST(AddOnModule, UnloadingWithoutFreeWritesTheAbnormalTerminationLine) {
    Host host;
    Session session(host);
    session.Load(AddOnPath);
    ASSERT_TRUE(session.RunLifecycle().completed);
    auto lines = session.Unload(false);
    // The module's path as the system names it (on Windows its own form, a drive and backslashes).
    const std::string prefix = "Abnormal add-on termination (\"", suffix = "\")";
    ASSERT_EQ(lines.size(), 1u);
    const std::string& line = lines[0];
    ASSERT_TRUE(line.size() > prefix.size() + suffix.size() && line.starts_with(prefix) &&
                line.ends_with(suffix))
        << line;
    const std::string named = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    EXPECT_TRUE(std::filesystem::equivalent(simhost::sys::PathFromUtf8(named), AddOnPath)) << line;

    // Loaded again in the same process, it starts afresh.
    session.Load(AddOnPath);
    API_AddOnDescription description;
    EXPECT_EQ(session.Describe(&description), 0) << "the new instance has no table yet";
    ASSERT_TRUE(session.RunLifecycle().completed);
    EXPECT_TRUE(session.Unload(true).empty());
}
