#pragma once

#include "api/HostApiRecords.h"
#include "runtime/Host.h"

// The host's operations, one function each, grouped one file per area. An operation no file
// defines leaves its slot of the function table empty (the declarations are weak).
namespace simhost::ops {
#define QV_HOST_OP(slot, name, result, params, args) __attribute__((weak)) result name(QV_WITH_HANDLE params);
#define QV_HOST_OP_NO_HANDLE(slot, name, result, params, args) __attribute__((weak)) result name params;
#include "api/HostFunctions.def"
} // namespace simhost::ops

namespace simhost {

// The arguments of a selector request after the selector; those a request has not are null.
struct RequestArgs {
    APIRequestArg p[5];
};
using RequestHandler = GSErrCode (*)(Host& host, const RequestArgs& args);

// Makes `handler` answer `selector` of `request`; used from static initialisers of the area files.
bool RegisterRequest(HostOp request, Selector selector, RequestHandler handler);
// Counts the selector, applies its fault, and runs its handler; ErrBadSelector when none answers.
GSErrCode DispatchRequest(HostOp request, GSType selector, const RequestArgs& args);

// A pointer-sized argument passed by value.
template <typename T> T ByValue(APIRequestArg arg) {
    return static_cast<T>(reinterpret_cast<GSIntPtr>(arg));
}

} // namespace simhost
