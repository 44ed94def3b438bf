#include "palette/BrowserPalette.h"

#include "gs/Debug.h"
#include "gs/MemoryManager.h"
#include "host/AddOnIdentity.h"
#include "host/HostApi.h"
#include "palette/PaletteIdentity.h"
#include "palette/ScriptInterface.h"

#include <memory>
#include <new>

const char* const webAppAddress = "https://app.quorvel.com";

namespace {

// The value the palette is shown with; what it means is the toolkit's business.
constexpr Int32 PaletteShowValue = -32768;

GS::Ref<BrowserPalette>& PaletteInstance() {
    static GS::Ref<BrowserPalette> instance;
    return instance;
}

void SetCheckMark(bool checked) {
    API_MenuItemRef item{};
    item.menuResID = AddOnMenuId;
    item.itemIndex = 1;
    UInt32 flags = 0;
    // Flags that were not read are not written back: the item's other flags would be wiped.
    if (HostApi::GetMenuItemFlags(&item, &flags) != NoError)
        return;
    flags = checked ? (flags | MenuItemChecked) : (flags & ~MenuItemChecked);
    // Not examined: a missing check mark is cosmetic.
    (void)HostApi::SetMenuItemFlags(&item, &flags);
}

// The palette lives in a block of the host's memory manager.
void DestroyPalette(BrowserPalette* palette) {
    palette->~BrowserPalette();
    BMFreePtr(reinterpret_cast<GSPtr>(palette));
}

} // namespace

BrowserPalette::BrowserPalette()
    : DG::Palette(HostApi::OwnResourceModule(), PaletteResourceId, HostApi::OwnResourceModule(), paletteGuid),
      browser(*this, BrowserItem) {}

BrowserPalette::~BrowserPalette() {
    try {
        EndEventProcessing();
        Detach(*this);
    } catch (...) {
        // Unload goes on whatever the toolkit says.
    }
}

void BrowserPalette::HandleCloseRequest(const DG::PanelCloseRequestEvent&, bool* accepted) {
    HidePalette(*this);
    if (accepted != nullptr)
        *accepted = true;
}

void BrowserPalette::HandleResize(const DG::PanelResizeEvent& event) {
    BeginMoveResizeItems();
    browser.Resize(event.GetHorizontalChange(), event.GetVerticalChange());
    EndMoveResizeItems();
}

bool HasPalette() {
    return !PaletteInstance().IsNull();
}

BrowserPalette& GetPalette() {
    return *PaletteInstance();
}

void CreatePalette() {
    GSPtr block = BMAllocatePtr(sizeof(BrowserPalette), ALLOCATE_CLEAR, 0);
    if (block != nullptr) {
        BrowserPalette* palette = nullptr;
        try {
            palette = new (block) BrowserPalette();
        } catch (const std::exception& e) {
            BMFreePtr(block);
            DBPrintf("The palette could not be built: %s\n", e.what());
        }
        if (palette != nullptr) {
            GS::Ref<BrowserPalette> fresh(std::shared_ptr<BrowserPalette>(palette, DestroyPalette));
            palette->Attach(*palette);
            palette->BeginEventProcessing();
            palette->GetBrowser().LoadURL(GS::UniString(webAppAddress));
            RegisterScriptInterface(*palette);
            palette->GetBrowser().Invalidate();
            palette->GetBrowser().AddBeforeDownloadHandler(OnBeforeDownload);
            PaletteInstance() = fresh;
        }
    }
    (void)HostApi::KeepLoaded(true); // not examined: the add-on works loaded or not
}

void ShowPalette(BrowserPalette& palette) {
    palette.Show(PaletteShowValue);
    SetCheckMark(true);
}

void OpenPalette() {
    if (!HasPalette())
        CreatePalette();
    if (HasPalette()) // the palette cannot be built when memory runs out
        ShowPalette(GetPalette());
}

void HidePalette(BrowserPalette& palette) {
    palette.Hide();
    SetCheckMark(false);
}

bool OnBeforeDownload(DG::BrowserBase&, DG::BrowserBeforeDownloadArg& argument) {
    argument.text = GS::UniString("trr");
    return true;
}

void ReleasePalette() {
    PaletteInstance().Reset();
}
