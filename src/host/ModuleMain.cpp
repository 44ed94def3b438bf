// Library load and unload of the add-on module. Only the shared module has these: in-process
// tests call HostApi::LibraryLoaded and AddOnLibraryUnloading themselves.
#include "host/EntryPoints.h"
#include "host/HostApi.h"
#include "os/Module.h"

#include <string>

namespace {

__attribute__((constructor)) void ModuleLoaded() {
    const std::string path = OS::ModuleFilePath(reinterpret_cast<const void*>(&GetExportedFuncAddrs));
    HostApi::LibraryLoaded(path.c_str());
}

} // namespace

// The platform's unload hook (quorvel_module_unload) calls this as the module goes.
void OS::ModuleUnloading() {
    AddOnLibraryUnloading();
}
