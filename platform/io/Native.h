#pragma once

// The file system of the operating system beneath the IO library, one implementation per system
// (NativePosix.cpp, NativeWindows.cpp). Paths are native paths in UTF-8; on Windows they reach
// the system as UTF-16, through its wide functions.

#include "gs/Types.h"

#include <cstdio>
#include <string>

namespace IO::Native {

// The separator of native paths.
#ifdef _WIN32
constexpr char Separator = '\\';
#else
constexpr char Separator = '/';
#endif
// Both separators of the host's form: "\" separates as "/" does.
constexpr bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}
// The length of the path's root ("/", "C:\", "\\"), which no component removal takes away.
size_t RootLength(const std::string& path);

// The code of a C library error number (errno): ErrFileNotFound, ErrAccessDenied,
// ErrFolderExists or ErrIO.
GSErrCode FromErrno(int error);

enum class Kind { Missing, File, Folder, Other };
// What the path names; when Missing, `error` says why (ErrFileNotFound, ErrAccessDenied, ErrIO).
Kind Inspect(const std::string& path, GSErrCode* error = nullptr, UInt64* size = nullptr);
// Opens with a C library mode ("rb", "wb", "r+b", "ab"); null and `error` set when it cannot.
std::FILE* Open(const std::string& path, const char* mode, GSErrCode* error);
// Makes one folder: 0, ErrFolderExists when something is there already, ErrFileNotFound when the
// parent is missing, ErrAccessDenied, ErrIO.
GSErrCode MakeFolder(const std::string& path);
// The current user may create files in the folder.
bool MayCreateFilesIn(const std::string& folder);
// Puts `from` in place of `to` in one step, replacing a file there; `from` is gone afterwards.
GSErrCode ReplaceWith(const std::string& from, const std::string& to);
GSErrCode Remove(const std::string& file);
// A new file of a name nobody else has, open for writing, in the folder `prefix` names followed by
// the start of the file's name; `path` receives its path. Null when none can be made (`error`).
std::FILE* CreateUnique(const std::string& prefix, std::string& path, GSErrCode* error);

} // namespace IO::Native
