#include "os/Module.h"

namespace {

// ELF runs a module's destructor functions before the module's static objects are destroyed.
__attribute__((destructor)) void Unloading() {
    OS::ModuleUnloading();
}

} // namespace
