#include "io/Location.h"
#include "io/Native.h"

#include "gs/System.h"
#include "gs/UniString.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace IO::Native {

namespace {

GSErrCode FromLastError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        return ErrFileNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return ErrAccessDenied;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return ErrFolderExists;
    case ERROR_INVALID_NAME:
        return ErrBadName;
    default:
        return ErrIO;
    }
}

} // namespace

size_t RootLength(const std::string& path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]))
        return 2; // \\server\share
    if (path.size() >= 2 && path[1] == ':')
        return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

Kind Inspect(const std::string& path, GSErrCode* error, UInt64* size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !GetFileAttributesExW(GS::Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data)) {
        if (error != nullptr)
            *error = path.empty() ? ErrFileNotFound : FromLastError(GetLastError());
        return Kind::Missing;
    }
    if (size != nullptr)
        *size = (UInt64(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Kind::Folder;
    return data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE ? Kind::Other : Kind::File;
}

std::FILE* Open(const std::string& path, const char* mode, GSErrCode* error) {
    std::FILE* file = _wfopen(GS::Utf8ToWide(path).c_str(), GS::Utf8ToWide(mode).c_str());
    if (file == nullptr && error != nullptr)
        *error = FromErrno(errno);
    return file;
}

GSErrCode MakeFolder(const std::string& path) {
    return CreateDirectoryW(GS::Utf8ToWide(path).c_str(), nullptr) ? 0 : FromLastError(GetLastError());
}

bool MayCreateFilesIn(const std::string& folder) {
    // Windows' access rules are the file system's to apply: try it, with a file that removes
    // itself.
    std::string probe = folder;
    if (probe.empty() || !IsSeparator(probe.back()))
        probe.push_back(Separator);
    probe +=
        ".quorvel-probe-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
    HANDLE h = CreateFileW(GS::Utf8ToWide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

GSErrCode ReplaceWith(const std::string& from, const std::string& to) {
    return MoveFileExW(GS::Utf8ToWide(from).c_str(), GS::Utf8ToWide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : FromLastError(GetLastError());
}

GSErrCode Remove(const std::string& file) {
    return DeleteFileW(GS::Utf8ToWide(file).c_str()) ? 0 : FromLastError(GetLastError());
}

std::FILE* CreateUnique(const std::string& prefix, std::string& path, GSErrCode* error) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        GS::RandomBytes(random, sizeof random);
        path = prefix;
        for (unsigned char r : random)
            path.push_back(letters[r % (sizeof letters - 1)]);
        HANDLE h = CreateFileW(GS::Utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD e = GetLastError();
            if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS)
                continue;
            *error = FromLastError(e);
            return nullptr;
        }
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
        if (descriptor < 0) {
            CloseHandle(h);
            (void)DeleteFileW(GS::Utf8ToWide(path).c_str());
            *error = ErrIO;
            return nullptr;
        }
        std::FILE* file = _fdopen(descriptor, "wb");
        if (file == nullptr) {
            _close(descriptor);
            (void)DeleteFileW(GS::Utf8ToWide(path).c_str());
            *error = ErrIO;
        }
        return file;
    }
    *error = ErrIO;
    return nullptr;
}

} // namespace IO::Native
