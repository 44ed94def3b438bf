#pragma once

#include "api/HostApiRecords.h"
#include "runtime/Host.h"

// The host's operations, one function each, grouped one file per area; an operation no file
// defines does not link. The selector requests are defined by the table builder, which hands each
// call to its selector's function.
namespace simhost::ops {
#define QV_HOST_OP(slot, name, result, params, args) result name(QV_WITH_HANDLE params);
#define QV_HOST_OP_NO_HANDLE(slot, name, result, params, args) result name params;
#include "api/HostFunctions.def"
} // namespace simhost::ops

namespace simhost {

// The selectors of the requests, one function each, typed as the list types them and defined in
// the area files; the request hands each its arguments converted to those types.
#define QV_WITH_HOST(...) Host& __VA_OPT__(, ) __VA_ARGS__
namespace requests {
#define QV_SELECTOR(request, code, name, params, args) GSErrCode name(QV_WITH_HOST params);
#include "api/HostFunctions.def"
} // namespace requests

// The arguments of a selector request after the selector; those a request has not are null.
struct RequestArgs {
    APIRequestArg p[5];
};

// A posted parameter list is the host's whatever the post answers: a refused post disposes of the
// list at once, also when the refusal came before the operation ran (an injected fault, a wrong
// add-on handle). A handle that names no live list, or a list posted already, is left alone.
void TakeRefusedPost(Host& host, API_ModulParamsHandle params);

// Counts the selector, applies its fault, and calls its function; ErrBadSelector for a selector
// the request does not have, ErrBadParameter for an integer argument its type cannot hold.
GSErrCode DispatchRequest(HostOp request, GSType selector, const RequestArgs& args);

} // namespace simhost
