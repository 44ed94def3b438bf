#pragma once

#include "api/Basics.h"

constexpr Int32 ModulParamNone = 0; // not given: a lookup
constexpr Int32 ModulParamString = 1;
constexpr Int32 ModulParamInteger = 2;

// One parameter of a module-command parameter list. The texts a lookup returns belong to the
// host and live as long as the list.
struct API_ModulParam {
    Int64 reserved0;
    const char* name;
    Int32 type;
    Int32 reserved1;
    Int32 intValue;
    UInt8 reserved2[12];
    const char* stringValue;
};
QV_PIN_SIZE(API_ModulParam, 48);
QV_PIN_OFFSET(API_ModulParam, name, 8);
QV_PIN_OFFSET(API_ModulParam, type, 16);
QV_PIN_OFFSET(API_ModulParam, intValue, 24);
QV_PIN_OFFSET(API_ModulParam, stringValue, 40);
