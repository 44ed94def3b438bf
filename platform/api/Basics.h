#pragma once

#include "gs/Array.h"
#include "gs/Guid.h"
#include "gs/Types.h"
#include "gs/UniString.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

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
constexpr Int32 ProjectEventNew = 1;    // a new, empty project is open
constexpr Int32 ProjectEventOpen = 4;   // a project is open from its file
constexpr Int32 ProjectEventClose = 32; // the project is about to close
// One step of an undoable command; its code is the command's result.
using APIUndoableStepProc = GSErrCode (*)(void* context);

// Pointer-sized selector arguments.
using APIRequestArg = void*;

// How a selector's parameter travels in a request argument: a pointer as itself, an integer or a
// bool in the pointer's bits. Both sides of the table convert through these two only.
template <typename T> APIRequestArg ToRequestArg(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return const_cast<void*>(static_cast<const void*>(value));
    } else {
        static_assert(std::is_integral_v<T>, "a request argument is a pointer or an integer");
        return reinterpret_cast<APIRequestArg>(static_cast<GSIntPtr>(value));
    }
}
template <typename T> T FromRequestArg(APIRequestArg arg) {
    if constexpr (std::is_pointer_v<T>) {
        return static_cast<T>(arg);
    } else {
        static_assert(std::is_integral_v<T>, "a request argument is a pointer or an integer");
        return static_cast<T>(reinterpret_cast<GSIntPtr>(arg));
    }
}

// Pins a record's layout: its size and its byte positions.
#define QV_PIN_SIZE(type, size) static_assert(sizeof(type) == (size), #type " size")
#define QV_PIN_OFFSET(type, member, offset)                                                                  \
    static_assert(offsetof(type, member) == (offset), #type "." #member)
