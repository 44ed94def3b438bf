#pragma once

#include <string>

namespace OS {

// The file of the module (program or shared library) whose code or data holds `address`, in
// UTF-8; empty when there is none.
std::string ModuleFilePath(const void* address);

} // namespace OS
