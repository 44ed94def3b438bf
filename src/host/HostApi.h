#pragma once

#include "api/HostApiRecords.h"

#include <string>

// The gateway to the host's functions. Every operation passes the add-on handle first (but the
// two registrations made before the handle is known) and answers the host's code; an empty
// table entry answers ErrMissingEntry without a call.
namespace HostApi {

#define QV_HOST_OP(slot, name, result, params, args) GSErrCode name params;
#include "api/HostFunctions.def"

// Each selector of a request as a function of its own, typed as the list types it: the selector
// and its arguments reach the request, padded with nulls.
#define QV_SELECTOR(request, code, name, params, args) GSErrCode name params;
#include "api/HostFunctions.def"

bool IsHostTableSet();
API_AddOnHandle AddOnHandle();
void SetAddOnHandle(API_AddOnHandle handle);
// The add-on's own resource module; -1 when there is none.
GSResModule OwnResourceModule();

// Library load: opens the resource module over the embedded image and keeps the module's path.
void LibraryLoaded(const char* modulePath);
// Library unload: removes the resource module and reports an abnormal termination when
// FreeAddOnData never ran.
void LibraryUnloading();
const std::string& ModulePath();

} // namespace HostApi

extern "C" GSErrCode SetImportedFuncAddrs(const HostFunctionTable* table);
