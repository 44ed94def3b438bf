#include "os/Module.h"

#include <windows.h>

// A DLL's destructor functions run from its exit list after the static objects that list destroys
// first (the add-on's palette instance and state): releasing them then would release them twice.
// DllMain's detach comes before both.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH)
        OS::ModuleUnloading();
    return TRUE;
}
