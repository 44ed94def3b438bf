#pragma once

#include "api/Basics.h"

// Names one item of a menu: 'GMIF' and 'SMIF' read and write its flags.
struct API_MenuItemRef {
    Int16 menuResID;
    Int16 reserved0;
    Int32 itemIndex;
    Int64 reserved;
};
QV_PIN_SIZE(API_MenuItemRef, 16);
QV_PIN_OFFSET(API_MenuItemRef, menuResID, 0);
QV_PIN_OFFSET(API_MenuItemRef, itemIndex, 4);
QV_PIN_OFFSET(API_MenuItemRef, reserved, 8);

// Menu item flag bit: the check mark.
constexpr UInt32 MenuItemChecked = 2;

// What the menu handler receives.
struct API_MenuParams {
    API_MenuItemRef menuItemRef;
};
QV_PIN_SIZE(API_MenuParams, 16);

// Names an add-on: the two values of its identifier pair.
struct API_ModulID {
    UInt32 developerID;
    UInt32 localID;
};
QV_PIN_SIZE(API_ModulID, 8);

// 'APPL': the host application's information. The caller sets recordVersion to 1.
struct API_ApplicationInfo {
    Int32 recordVersion;
    Int32 mainVersion;
    Int32 releaseVersion;
    Int32 buildNumber;
    GS::UniString language;
};
QV_PIN_SIZE(API_ApplicationInfo, 32);
QV_PIN_OFFSET(API_ApplicationInfo, language, 16);
