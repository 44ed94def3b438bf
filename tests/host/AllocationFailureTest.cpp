// Every allocation the add-on makes on a path, failing in turn: its entry points and handlers answer
// the host instead of throwing into it, and its script functions end with a script error and
// answer the next call.
#include "export/ProjectInfoExporter.h"
#include "gs/AddOnCode.h"
#include "host/EntryPoints.h"
#include "host/SelectCommand.h"
#include "import/ImportDispatcher.h"
#include "palette/BrowserPalette.h"
#include "runtime/EventLoop.h"
#include "support/FailingAllocations.h"
#include "support/InProcessHost.h"
#include "support/NeedsFork.h"

#include <gtest/gtest.h>

#include <functional>

using testing_support::FailEachAllocation;
using testing_support::InProcessHost;

namespace {

// Code of the add-on, as the host calls it.
template <typename F> auto AddOn(F call) {
    GS::AddOnCodeScope addOn(true);
    return call();
}

std::string Faults(const testing_support::AllocationFailures& found) {
    std::string text;
    for (const auto& f : found.faults)
        text += "\n  " + f;
    return text;
}

} // namespace

TEST(AllocationFailure, EntryPointsAndHandlersAnswerTheHostInsteadOfThrowing) {
    SKIP_WITHOUT_FORK();
    InProcessHost h;
    API_MenuParams menu{};
    menu.menuItemRef.menuResID = 32500;
    menu.menuItemRef.itemIndex = 1;
    AddOn([] { PostSelectCommand(GS::UniString(GS::Guid::Generate().ToString()), 1); });
    const struct {
        const char* name;
        std::function<void()> call;
    } cases[] = {
        {"DescribeAddOn",
         [] {
             API_AddOnDescription description;
             (void)AddOn([&] { return DescribeAddOn(&description); });
         }},
        {"the menu command", [&] { (void)AddOn([&] { return OnMenuCommand(&menu); }); }},
        {"the palette message that opens it",
         [] { (void)AddOn([] { return OnPaletteMessage(0, PaletteOpen, 0); }); }},
        {"the select command delivered at idle", [&] { (void)simhost::DeliverPostedCommands(h.host); }},
    };
    for (const auto& c : cases) {
        auto found = FailEachAllocation(c.call, false);
        EXPECT_TRUE(found.faults.empty()) << c.name << ":" << Faults(found);
        EXPECT_GT(found.allocations, 0u) << c.name;
    }
    // A palette that could not be built is built by the next menu command.
    auto found = FailEachAllocation([&] { (void)AddOn([&] { return OnMenuCommand(&menu); }); }, false,
                                    [&] {
                                        if (!HasPalette())
                                            (void)AddOn([&] { return OnMenuCommand(&menu); });
                                        return HasPalette()
                                                   ? std::string()
                                                   : std::string("the next menu command built no palette");
                                    });
    EXPECT_TRUE(found.faults.empty()) << Faults(found);
}

TEST(AllocationFailure, AScriptFunctionEndsWithAScriptErrorAndAnswersTheNextCall) {
    SKIP_WITHOUT_FORK();
    InProcessHost h;
    auto import = [](const char* product) {
        return [product] {
            RunImport(GS::UniString(product));
            return std::string(LastImportResultText.ToCStr());
        };
    };
    const struct {
        const char* name;
        std::function<std::string()> call; // the answer
    } cases[] = {
        {"import of a material",
         import(
             R"({"importType":"MATERIAL_IMPORT","name":"Mineral Wool","uuid":"m-1","supplier":{"name":"S"}})")},
        // Without a file to download: the picture's null is read as an object.
        {"import of a family without a picture",
         import(R"({"importType":"FAMILY_IMPORT","uuid":"f-1","image":null})")},
        {"export", [] { return std::string(GetProjectInfoText().ToCStr()); }},
    };
    for (const auto& c : cases) {
        const std::string expected = AddOn(c.call);
        auto found =
            FailEachAllocation([&] { (void)AddOn(c.call); }, true,
                               [&] {
                                   std::string next = AddOn(c.call);
                                   return next == expected ? std::string() : "the next call answered " + next;
                               });
        EXPECT_TRUE(found.faults.empty()) << c.name << ":" << Faults(found);
        EXPECT_GT(found.allocations, 0u) << c.name;
    }
}
