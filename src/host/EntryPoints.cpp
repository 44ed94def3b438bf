#include "host/EntryPoints.h"

#include "export/ProjectOverviewExporter.h"
#include "gs/Debug.h"
#include "gs/Resources.h"
#include "host/AddOnIdentity.h"
#include "host/AnswerTheHost.h"
#include "host/HostApi.h"
#include "host/SelectCommand.h"
#include "palette/BrowserPalette.h"
#include "palette/PaletteIdentity.h"

#include <cstring>

extern "C" __attribute__((visibility("default"))) void GetExportedFuncAddrs(AddOnEntryTable* table) {
    if (table == nullptr)
        return;
    std::memset(table, 0, sizeof(AddOnEntryTable));
    table->version = EntryTableVersion;
    table->describeAddOn = DescribeAddOn;
    table->registerAddOnInterface = RegisterAddOnInterface;
    table->initializeAddOn = InitializeAddOn;
    table->freeAddOnData = FreeAddOnData;
    table->hostVersion = EntryTableHostVersion;
}

Int32 DescribeAddOn(API_AddOnDescription* description) {
    if (!HostApi::IsHostTableSet())
        return 0;
    // An add-on that cannot describe itself (no memory for its texts) is none.
    GSErrCode described = AnswerTheHost([description] {
        if (description != nullptr) {
            // A missing string leaves its text empty; the add-on loads all the same.
            (void)RSGetIndString(&description->name, AddOnNameStrings, 1, HostApi::OwnResourceModule());
            (void)RSGetIndString(&description->description, AddOnNameStrings, 2,
                                 HostApi::OwnResourceModule());
        }
        return NoError;
    });
    return described == NoError ? AddOnKindNormal : 0;
}

GSErrCode RegisterAddOnInterface() {
    if (!HostApi::IsHostTableSet())
        return ErrNotInitialised;
    if (GSErrCode err = HostApi::RegisterModuleCommand(CommandSelect, SelectCommandVersion); err != NoError)
        return err;
    return HostApi::RegisterMenu(AddOnMenuId, 0, 0, 0);
}

Int32 PaletteReferenceId() {
    const auto& bytes = paletteGuid.Bytes();
    UInt32 sum = 0;
    for (int word = 0; word < 4; ++word) {
        UInt32 w;
        std::memcpy(&w, bytes.data() + 4 * word, sizeof w);
        sum += w;
    }
    return Int32(sum);
}

GSErrCode InitializeAddOn(API_AddOnHandle handle) {
    if (!HostApi::IsHostTableSet())
        return ErrNotInitialised;
    HostApi::SetAddOnHandle(handle);
    if (GSErrCode err =
            HostApi::InstallModuleCommandHandler(CommandSelect, SelectCommandVersion, OnSelectCommand);
        err != NoError)
        return err;
    if (GSErrCode err = HostApi::InstallMenuHandler(AddOnMenuId, OnMenuCommand); err != NoError)
        return err;
    if (GSErrCode err = HostApi::RegisterPalette(PaletteReferenceId(), OnPaletteMessage,
                                                 PaletteRegistrationFlags, &paletteGuid);
        err != NoError)
        return err;
    return HostApi::CatchProjectEvents(ProjectEventMask, OnProjectEvent);
}

GSErrCode FreeAddOnData() {
    if (!HostApi::IsHostTableSet())
        return ErrNotInitialised;
    HostApi::SetAddOnHandle(nullptr);
    return NoError;
}

GSErrCode OnMenuCommand(const API_MenuParams* params) {
    if (params == nullptr || params->menuItemRef.menuResID != AddOnMenuId ||
        params->menuItemRef.itemIndex != 1)
        return NoError;
    return AnswerTheHost([] {
        if (HasPalette() && GetPalette().IsVisible()) {
            HidePalette(GetPalette());
            return NoError;
        }
        OpenPalette();
        return NoError;
    });
}

GSErrCode OnPaletteMessage(Int32 /*referenceId*/, Int32 message, GSIntPtr param) {
    return AnswerTheHost([message, param] {
        bool exists = HasPalette();
        bool visible = exists && GetPalette().IsVisible();
        switch (message) {
        case PaletteHide:
            if (exists)
                HidePalette(GetPalette());
            break;
        case PaletteHideIfVisible:
            if (visible)
                HidePalette(GetPalette());
            break;
        case PaletteShowIfHidden:
            if (exists && !visible)
                ShowPalette(GetPalette());
            break;
        case PaletteDisable:
            if (visible)
                GetPalette().DisableItems();
            break;
        case PaletteEnable:
            if (visible)
                GetPalette().EnableItems();
            break;
        case PaletteOpen:
            OpenPalette();
            break;
        case PaletteAskVisible:
            if (param != 0)
                *reinterpret_cast<bool*>(param) = visible;
            break;
        default:
            break;
        }
        return NoError;
    });
}

GSErrCode OnProjectEvent(Int32 event, Int32 param) {
    DBPrintf("%i\n", param);
    if (event == 1 || event == 2 || event == 4)
        newProjectLoaded = true;
    return NoError;
}

void AddOnLibraryUnloading() {
    ReleasePalette();
    HostApi::LibraryUnloading();
}
