#pragma once

#include "api/Basics.h"

// The add-on's entry points, as the host calls them.
struct API_AddOnDescription;
using APIDescribeAddOnProc = Int32 (*)(API_AddOnDescription* description);
using APIRegisterInterfaceProc = GSErrCode (*)();
using APIInitializeProc = GSErrCode (*)(API_AddOnHandle handle);
using APIFreeDataProc = GSErrCode (*)();

constexpr UInt32 EntryTableVersion = 0x00170001;
constexpr UInt32 EntryTableHostVersion = 23000;

// Filled by the add-on's GetExportedFuncAddrs.
struct AddOnEntryTable {
    UInt32 version;
    UInt32 reserved0;
    APIDescribeAddOnProc describeAddOn;
    APIRegisterInterfaceProc registerAddOnInterface;
    APIInitializeProc initializeAddOn;
    APIFreeDataProc freeAddOnData;
    UInt32 hostVersion;
    UInt8 reserved[76];
};
QV_PIN_SIZE(AddOnEntryTable, 120);
QV_PIN_OFFSET(AddOnEntryTable, version, 0);
QV_PIN_OFFSET(AddOnEntryTable, describeAddOn, 8);
QV_PIN_OFFSET(AddOnEntryTable, registerAddOnInterface, 16);
QV_PIN_OFFSET(AddOnEntryTable, initializeAddOn, 24);
QV_PIN_OFFSET(AddOnEntryTable, freeAddOnData, 32);
QV_PIN_OFFSET(AddOnEntryTable, hostVersion, 40);
QV_PIN_OFFSET(AddOnEntryTable, reserved, 44);

// What DescribeAddOn fills; answered with the add-on kind code.
struct API_AddOnDescription {
    GS::UniString name;
    GS::UniString description;
};
QV_PIN_SIZE(API_AddOnDescription, 32);
constexpr Int32 AddOnKindNormal = 2;

// The host's function table handed to SetImportedFuncAddrs.
constexpr int HostFunctionSlots = 561;
using HostFunctionPtr = void (*)();
struct HostFunctionTable {
    HostFunctionPtr entries[HostFunctionSlots];
};
QV_PIN_SIZE(HostFunctionTable, 4488);

extern "C" {
using GetExportedFuncAddrsProc = void (*)(AddOnEntryTable* table);
using SetImportedFuncAddrsProc = GSErrCode (*)(const HostFunctionTable* table);
}
