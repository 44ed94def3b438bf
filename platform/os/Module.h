#pragma once

#include <string>

namespace OS {

// The file of the module (program or shared library) whose code or data holds `address`, in
// UTF-8; empty when there is none.
std::string ModuleFilePath(const void* address);

// Called once as the system unloads a module that links quorvel_module_unload, before the
// module's own static objects are destroyed. The module defines it.
void ModuleUnloading();

} // namespace OS
