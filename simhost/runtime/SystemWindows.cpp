#include "runtime/System.h"

#include "gs/UniString.h"

#include <windows.h>

#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <io.h>
#include <sstream>
#include <stdexcept>

namespace simhost::sys {

namespace {

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = n > 0 ? GS::Utf16ToUtf8(std::u16string_view(reinterpret_cast<char16_t*>(text), n))
                                : "error " + std::to_string(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

// A host application keeps the system's internet libraries loaded for its whole life, since it
// uses them itself. Loaded only through an add-on, they would be unloaded with it and loaded again
// with the next session's: under Wine a download in such a session now and then never ended (3 of
// 120 runs of the host-variance check hung in URLDownloadToFileW).
void HoldInternetLibraries() {
    static const HMODULE held = LoadLibraryW(L"urlmon.dll");
    (void)held;
}

} // namespace

void* OpenModule(const std::string& path, std::string& why) {
    HoldInternetLibraries();
    HMODULE module = LoadLibraryW(GS::Utf8ToWide(path).c_str());
    if (module == nullptr)
        why = SystemMessage(GetLastError());
    return reinterpret_cast<void*>(module);
}

void* ModuleSymbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) {
    FreeLibrary(static_cast<HMODULE>(module));
}

int ProcessId() {
    return int(GetCurrentProcessId());
}

void ReplaceFileDurably(const std::string& path, const std::string& temporary, const std::string& bytes) {
    const std::wstring wideTemporary = GS::Utf8ToWide(temporary);
    HANDLE file = CreateFileW(wideTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write: " + SystemMessage(GetLastError()));
    auto fail = [&](const char* what, DWORD error) {
        (void)DeleteFileW(wideTemporary.c_str()); // the failure to report is the one before
        throw std::runtime_error(std::string(what) + ": " + SystemMessage(error));
    };
    size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - written, 1u << 30));
        DWORD n = 0;
        if (!WriteFile(file, bytes.data() + written, chunk, &n, nullptr)) {
            const DWORD error = GetLastError();
            CloseHandle(file);
            fail("cannot write", error);
        }
        written += n;
    }
    if (!FlushFileBuffers(file)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        fail("cannot write", error);
    }
    CloseHandle(file);
    if (!MoveFileExW(wideTemporary.c_str(), GS::Utf8ToWide(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail("cannot replace", GetLastError());
}

long PeakMemoryKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return long(counters.PeakWorkingSetSize / 1024);
}

double ProcessorSeconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    // In units of 100 ns.
    const auto seconds = [](const FILETIME& t) {
        return double((UInt64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

std::string CaptureStandardError(const std::function<void()>& body) {
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"err", 0, name) == 0) {
        body();
        return {};
    }
    const int file = _wopen(name, _O_WRONLY | _O_TRUNC | _O_BINARY);
    if (file < 0) {
        body();
        return {};
    }
    std::fflush(stderr);
    const int saved = _dup(_fileno(stderr));
    _dup2(file, _fileno(stderr));
    body();
    std::fflush(stderr);
    _dup2(saved, _fileno(stderr));
    _close(saved);
    _close(file);
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    (void)DeleteFileW(name); // a leftover temporary file harms nothing
    return text.str();
}

namespace {

std::atomic<bool> stopRequested{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        stopRequested = true;
        return TRUE;
    }
    return FALSE;
}

} // namespace

StopRequests::StopRequests() {
    stopRequested = false;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopRequests::~StopRequests() {
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

bool StopRequests::Requested() {
    return stopRequested;
}

} // namespace simhost::sys
