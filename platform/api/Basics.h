#pragma once

#include "gs/Array.h"
#include "gs/Guid.h"
#include "gs/Types.h"
#include "gs/UniString.h"

#include <cstddef>
#include <cstdint>

using API_Guid = GS::Guid;
using API_AddOnHandle = void*;
// A module-command parameter list; the host's opaque handle.
using API_ModulParamsHandle = void*;
using GSIntPtr = std::intptr_t;

// Handlers the add-on installs.
using APIModuleCommandProc = GSErrCode (*)(API_ModulParamsHandle params);
struct API_MenuParams;
using APIMenuCommandProc = GSErrCode (*)(const API_MenuParams* params);
using APIPaletteControlCallBackProc = GSErrCode (*)(Int32 referenceId, Int32 message, GSIntPtr param);
using APIProjectEventHandlerProc = GSErrCode (*)(Int32 event, Int32 param);
// The host's project events, each a bit of the mask CatchProjectEvents takes. Opening another
// project closes the one open first.
constexpr Int32 ProjectEventNew = 1;         // a new, empty project is open
constexpr Int32 ProjectEventNewAndReset = 2; // a new project is open, the host's settings reset
constexpr Int32 ProjectEventOpen = 4;        // a project is open from its file
constexpr Int32 ProjectEventClose = 32;      // the project is about to close
// One step of an undoable command; its code is the command's result.
using APIUndoableStepProc = GSErrCode (*)(void* context);

// Pointer-sized selector arguments.
using APIRequestArg = void*;

// Pins a record's layout: its size and its byte positions.
#define QV_PIN_SIZE(type, size) static_assert(sizeof(type) == (size), #type " size")
#define QV_PIN_OFFSET(type, member, offset)                                                                  \
    static_assert(offsetof(type, member) == (offset), #type "." #member)
