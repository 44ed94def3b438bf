// Library load and unload of the add-on module. Only the shared module has these: in-process
// tests call HostApi::LibraryLoaded and AddOnLibraryUnloading themselves.
#include "host/EntryPoints.h"
#include "host/HostApi.h"

#include <dlfcn.h>

namespace {

const char* OwnPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&GetExportedFuncAddrs), &info) != 0 && info.dli_fname != nullptr)
        return info.dli_fname;
    return "";
}

__attribute__((constructor)) void ModuleLoaded() {
    HostApi::LibraryLoaded(OwnPath());
}
__attribute__((destructor)) void ModuleUnloading() {
    AddOnLibraryUnloading();
}

} // namespace
