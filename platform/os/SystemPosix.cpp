#include "os/Environment.h"
#include "os/Module.h"

#include <cstdlib>
#include <dlfcn.h>

namespace OS {

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

bool SetEnvironmentValue(const char* name, const std::string& value) {
    return ::setenv(name, value.c_str(), 1) == 0;
}

void UnsetEnvironmentValue(const char* name) {
    (void)::unsetenv(name); // fails only for a malformed name, which callers never pass
}

std::string ModuleFilePath(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) != 0 && info.dli_fname != nullptr)
        return info.dli_fname;
    return {};
}

} // namespace OS
