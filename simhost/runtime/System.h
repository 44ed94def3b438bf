#pragma once

// What simhost asks of the operating system beyond the platform library: one implementation per
// system (SystemPosix.cpp, SystemWindows.cpp). Paths are UTF-8.

#include <filesystem>
#include <functional>
#include <string>

namespace simhost::sys {

// Opens a shared module and runs its load hooks (dlopen, LoadLibraryW); null and `why` set when
// it cannot. ModuleSymbol finds an exported function by name (dlsym, GetProcAddress).
void* OpenModule(const std::string& path, std::string& why);
void* ModuleSymbol(void* module, const char* name);
void CloseModule(void* module);

// This process's number.
int ProcessId();

// Writes `bytes` to `temporary`, makes sure they reached the disk, and puts the file in place of
// `path` in one step (rename, MoveFileExW): a crash leaves either the old file or the new one.
// std::runtime_error ("cannot write: …", "cannot replace: …") when it cannot; `temporary` is
// gone then.
void ReplaceFileDurably(const std::string& path, const std::string& temporary, const std::string& bytes);

// The peak of this process's memory so far, in KiB (resident set, working set).
long PeakMemoryKiB();

// The processor time this process has used, in seconds (user and system).
double ProcessorSeconds();

// What `body` writes to the standard error stream (of the C library, and below it), instead of
// writing it there.
std::string CaptureStandardError(const std::function<void()>& body);

// While one lives, Ctrl-C (and on Linux SIGTERM) only asks this process to stop (Requested), and
// a peer that closes its connection mid-answer does not end the process.
class StopRequests {
public:
    StopRequests();
    ~StopRequests();
    StopRequests(const StopRequests&) = delete;
    StopRequests& operator=(const StopRequests&) = delete;
    static bool Requested();
};

// A path from UTF-8 text, and back: std::filesystem's own 8-bit texts are in the ANSI code page
// on Windows.
std::filesystem::path PathFromUtf8(const std::string& text);
std::string Utf8FromPath(const std::filesystem::path& path);

// A new folder in `parent` whose name is `prefix` and six random characters; std::runtime_error
// when none can be made.
std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent, const std::string& prefix);

} // namespace simhost::sys
