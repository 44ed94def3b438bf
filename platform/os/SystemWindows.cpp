#include "os/Environment.h"
#include "os/Module.h"

#include "gs/UniString.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace OS {

std::optional<std::string> EnvironmentValue(const char* name) {
    const wchar_t* value = _wgetenv(GS::Utf8ToWide(name).c_str());
    if (value == nullptr)
        return std::nullopt;
    return GS::WideToUtf8(value);
}

bool SetEnvironmentValue(const char* name, const std::string& value) {
    // The C library's environment and the process's both: _wputenv_s keeps them together.
    return _wputenv_s(GS::Utf8ToWide(name).c_str(), GS::Utf8ToWide(value).c_str()) == 0;
}

void UnsetEnvironmentValue(const char* name) {
    // An empty value removes it; this fails only for a bad name.
    (void)_wputenv_s(GS::Utf8ToWide(name).c_str(), L"");
}

std::string ModuleFilePath(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
        if (n == 0)
            return {};
        if (n < path.size())
            return GS::WideToUtf8(std::wstring_view(path.data(), n));
        path.resize(path.size() * 2);
    }
}

} // namespace OS
