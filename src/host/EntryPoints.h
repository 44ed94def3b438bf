#pragma once

#include "api/HostApiRecords.h"

extern "C" void GetExportedFuncAddrs(AddOnEntryTable* table);

Int32 DescribeAddOn(API_AddOnDescription* description);
GSErrCode RegisterAddOnInterface();
GSErrCode InitializeAddOn(API_AddOnHandle handle);
GSErrCode FreeAddOnData();

GSErrCode OnMenuCommand(const API_MenuParams* params);
GSErrCode OnPaletteMessage(Int32 referenceId, Int32 message, GSIntPtr param);
GSErrCode OnProjectEvent(Int32 event, Int32 param);

// The library is being unloaded: the palette goes first, then the module's own state.
void AddOnLibraryUnloading();

// The host's palette-control messages.
enum PaletteMessage : Int32 {
    PaletteHide = 1,
    PaletteHideIfVisible = 2,
    PaletteShowIfHidden = 3,
    PaletteDisable = 4,
    PaletteEnable = 5,
    PaletteOpen = 6,
    PaletteAskVisible = 7,
};

// The reference id the palette is registered under: the wrapping sum of the four 32-bit words
// of the palette guid's 16 bytes.
Int32 PaletteReferenceId();

constexpr Int32 PaletteRegistrationFlags = 1015;
constexpr Int32 ProjectEventMask = 4095;
