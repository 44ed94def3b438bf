#include "dg/Browser.h"
#include "dg/Panel.h"
#include "gs/AddOnCode.h"
#include "gs/Exceptions.h"
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "gs/Resources.h"
#include "support/FailingAllocations.h"
#include "support/NeedsFork.h"

#include <gtest/gtest.h>

extern const unsigned char QuorvelResourceImage[];
extern const std::size_t QuorvelResourceImageSize;

namespace {

struct Module {
    GSResModule id = RSInitModuleImageCache(QuorvelResourceImage, QuorvelResourceImageSize);
    ~Module() { RSRemoveModuleImageCache(id); }
};

struct Recorder : DG::PanelObserver {
    std::vector<std::string> calls;
    bool accept = false;
    void PanelResizing() override { calls.push_back("resizing"); }
    void HandleResize(const DG::PanelResizeEvent& e) override {
        calls.push_back("resize " + std::to_string(e.GetHorizontalChange()) + " " +
                        std::to_string(e.GetVerticalChange()));
    }
    void PanelResizeExited() override { calls.push_back("exited"); }
    void HandleCloseRequest(const DG::PanelCloseRequestEvent&, bool* accepted) override {
        calls.push_back("close");
        *accepted = accept;
    }
};

} // namespace

TEST(Toolkit, APaletteThatFindsNoMemoryIsNotBuiltAndKeepsNoBlock) {
    SKIP_WITHOUT_FORK();
    Module m;
    const Int64 blocks = BM::LiveBlocks();
    auto found = testing_support::FailEachAllocation(
        [&] {
            GS::AddOnCodeScope addOn(true);
            DG::Palette palette(m.id, 32500, m.id, GS::Guid::Generate());
        },
        true,
        [&] {
            Int64 kept = BM::LiveBlocks() - blocks;
            return kept == 0 ? std::string() : std::to_string(kept) + " block(s) of the memory manager kept";
        });
    EXPECT_TRUE(found.faults.empty()) << found.faults.front();
    EXPECT_GT(found.allocations, 0u);
}

TEST(Toolkit, APaletteIsBuiltFromItsDialogResource) {
    Module m;
    DG::Palette palette(m.id, 32500, m.id, GS::Guid::Generate());
    EXPECT_EQ(palette.GetTitle(), "Quorvel");
    EXPECT_EQ(palette.GetWidth(), 450);
    EXPECT_EQ(palette.GetHeight(), 150);
    ASSERT_EQ(palette.Items().size(), 1u);
    const DG::ItemState& item = palette.Items()[0];
    EXPECT_EQ(item.index, 1);
    EXPECT_EQ(item.kind, "browser");
    EXPECT_EQ((std::vector<Int32>{item.x, item.y, item.width, item.height}),
              (std::vector<Int32>{0, 0, 450, 150}));
    EXPECT_EQ(palette.GetHelpName(), "DLG_32500_Browser_Palette");
    EXPECT_EQ(item.helpTexts, (std::vector<std::string>{"Quorvel", "Browser_0"}));
    EXPECT_THROW(DG::Palette(m.id, 1234, m.id, GS::Guid::Generate()), GS::Exception);
}

TEST(Toolkit, ObserversHearResizeAndCloseOnlyWhileEventsAreProcessed) {
    Module m;
    DG::Palette palette(m.id, 32500, m.id, GS::Guid::Generate());
    Recorder r;
    palette.Attach(r);
    palette.Show(-32768);
    palette.UserResize(30, -10);
    EXPECT_TRUE(r.calls.empty());
    palette.BeginEventProcessing();
    palette.UserResize(30, -10);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"resizing", "resize 30 -10", "exited"}));
    EXPECT_EQ(palette.GetWidth(), 510);
    r.calls.clear();
    palette.UserClose();
    EXPECT_TRUE(palette.IsVisible()) << "a refused close request keeps the window";
    r.accept = true;
    palette.UserClose();
    EXPECT_FALSE(palette.IsVisible());
    EXPECT_EQ(palette.LastShowValue(), -32768);
}

TEST(Toolkit, ScriptCallsHandBackValuesOrTheMessageOfWhatLeftTheFunction) {
    Module m;
    DG::Palette palette(m.id, 32500, m.id, GS::Guid::Generate());
    DG::Browser browser(palette, 1);
    GS::Ref<DG::JSObject> object(new DG::JSObject("api"));
    object->AddItem(GS::Ref<DG::JSBase>(new DG::JSFunction("echo", [](GS::Ref<DG::JSBase> a) { return a; })));
    object->AddItem(GS::Ref<DG::JSBase>(new DG::JSFunction(
        "fail", [](GS::Ref<DG::JSBase>) -> GS::Ref<DG::JSBase> { throw GS::ClassCastException(); })));
    EXPECT_TRUE(browser.RegisterJSObject(object));
    EXPECT_FALSE(browser.RegisterJSObject(object)) << "one object per name";

    auto echoed =
        browser.CallFunction("api", "echo", GS::Ref<DG::JSBase>(new DG::JSValue(GS::UniString("x"))));
    ASSERT_FALSE(echoed.error);
    EXPECT_EQ(std::dynamic_pointer_cast<DG::JSValue>(echoed.value.Shared())->GetType(), DG::JSValue::STRING);
    EXPECT_EQ(browser.CallFunction("api", "fail", {}).error, "Bad cast.");
    EXPECT_TRUE(browser.CallFunction("api", "missing", {}).error);
    EXPECT_TRUE(browser.CallFunction("other", "echo", {}).error);

    browser.AddBeforeDownloadHandler([](DG::BrowserBase&, DG::BrowserBeforeDownloadArg& arg) {
        arg.text = GS::UniString("answer");
        return true;
    });
    auto [allowed, text] = browser.RequestDownload(GS::UniString("https://x/y"));
    EXPECT_TRUE(allowed);
    EXPECT_EQ(text.ToCStr(), "answer");
}
