// Library load and unload of the add-on module. Only the shared module has these: in-process
// tests call HostApi::LibraryLoaded and AddOnLibraryUnloading themselves.
#include "host/EntryPoints.h"
#include "host/HostApi.h"
#include "os/Module.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

__attribute__((constructor)) void ModuleLoaded() {
    const std::string path = OS::ModuleFilePath(reinterpret_cast<const void*>(&GetExportedFuncAddrs));
    HostApi::LibraryLoaded(path.c_str());
}

} // namespace

#ifdef _WIN32
// A DLL's destructor functions run from its exit list after the static objects that list
// destroys first (the palette instance, the module's state): releasing them then would release
// them twice. DllMain's detach comes before both.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH)
        AddOnLibraryUnloading();
    return TRUE;
}
#else
namespace {
// ELF runs a module's destructor functions before the static objects of the module.
__attribute__((destructor)) void ModuleUnloading() {
    AddOnLibraryUnloading();
}
} // namespace
#endif
