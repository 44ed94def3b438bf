#include "io/File.h"

#include "gs/Debug.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace IO {

const FileSystem fileSystem;

bool IsRegularFile(const std::string& path) {
    struct stat s {};
    return ::stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat s {};
    return ::stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

namespace {

GSErrCode FromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ErrFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ErrAccessDenied;
    case EEXIST:
        return ErrFolderExists;
    default:
        return ErrIO;
    }
}

GSErrCode Answer(GSErrCode code, AccessDeniedTreatment treatment, const std::string& path) {
    if (code == ErrAccessDenied && treatment == AccessDeniedLogged)
        DBPrintf("IO: access denied: %s\n", path.c_str());
    return code;
}

// The status of an existing entry of the wanted kind; nothing when the path names no entry
// and the caller may create it.
std::optional<Int32> ExistingStatus(const std::string& path, bool wantFolder, bool mayCreate) {
    if (path.empty())
        return ErrBadLocation;
    struct stat s {};
    if (::stat(path.c_str(), &s) == 0)
        return (wantFolder ? S_ISDIR(s.st_mode) : S_ISREG(s.st_mode)) ? 0 : ErrBadLocation;
    if (!mayCreate)
        return FromErrno(errno);
    return std::nullopt;
}

} // namespace

File::File(const Location& loc, OnNotFound onNotFound) : location(loc) {
    const std::string& path = location.ToPath();
    if (auto existing = ExistingStatus(path, false, onNotFound == Create)) {
        status = *existing;
        return;
    }
    std::FILE* created = std::fopen(path.c_str(), "ab");
    status = created ? 0 : FromErrno(errno);
    if (created)
        std::fclose(created);
}

File::~File() {
    (void)Close(); // a destructor has no one to tell; callers that care close first
}

GSErrCode File::Open(OpenMode mode, AccessDeniedTreatment treatment) {
    if (status != 0)
        return status;
    if (stream != nullptr)
        return 0;
    const char* how = mode == ReadMode ? "rb" : mode == WriteMode ? "wb" : "r+b";
    stream = std::fopen(location.ToPath().c_str(), how);
    if (stream == nullptr)
        return Answer(FromErrno(errno), treatment, location.ToPath());
    return 0;
}

GSErrCode File::Close() {
    if (stream == nullptr)
        return 0;
    int result = std::fclose(stream);
    stream = nullptr;
    return result == 0 ? 0 : ErrIO;
}

GSErrCode File::GetDataLength(UInt64* length) const {
    if (length == nullptr)
        return ErrBadLocation;
    if (status != 0)
        return status;
    if (stream != nullptr)
        std::fflush(stream);
    struct stat s {};
    if (::stat(location.ToPath().c_str(), &s) != 0)
        return FromErrno(errno);
    *length = UInt64(s.st_size);
    return 0;
}

GSErrCode File::ReadBin(char* target, UInt64 count, UInt64* read) {
    if (read != nullptr)
        *read = 0;
    if (stream == nullptr)
        return ErrNotOpen;
    if (count > 0 && target == nullptr)
        return ErrIO;
    size_t got = count > 0 ? std::fread(target, 1, size_t(count), stream) : 0;
    if (read != nullptr)
        *read = got;
    return got == count ? 0 : ErrIO;
}

GSErrCode File::WriteBin(const char* source, UInt64 count) {
    if (stream == nullptr)
        return ErrNotOpen;
    if (count == 0)
        return 0;
    if (source == nullptr)
        return ErrIO;
    return std::fwrite(source, 1, size_t(count), stream) == count ? 0 : ErrIO;
}

Folder::Folder(const Location& loc, OnNotFound onNotFound) : location(loc) {
    const std::string& path = location.ToPath();
    if (auto existing = ExistingStatus(path, true, onNotFound == Create)) {
        status = *existing;
        return;
    }
    status = ::mkdir(path.c_str(), 0777) == 0 ? 0 : FromErrno(errno);
}

bool Folder::IsWriteable() const {
    return status == 0 && ::access(location.ToPath().c_str(), W_OK | X_OK) == 0;
}

GSErrCode FileSystem::CreateFolder(const Location& folder, AccessDeniedTreatment treatment) const {
    const std::string& path = folder.ToPath();
    if (path.empty())
        return ErrBadLocation;
    if (::mkdir(path.c_str(), 0777) == 0)
        return 0;
    int error = errno;
    if (error == EEXIST)
        return IsFolder(path) ? ErrFolderExists : ErrBadLocation;
    return Answer(FromErrno(error), treatment, path);
}

GSErrCode FileSystem::Copy(const Location& from, const Location& to) const {
    if (!IsRegularFile(from.ToPath()))
        return ErrFileNotFound;
    if (from == to)
        return 0;
    File source(from);
    GSErrCode code = source.Open(File::ReadMode, AccessDeniedQuiet);
    if (code != 0)
        return code;
    // Written beside the target and renamed over it, so a failed copy leaves the old file whole.
    std::string temporary;
    std::FILE* out = CreateFileBeside(to.ToPath(), temporary);
    if (out == nullptr)
        return FromErrno(errno);
    char buffer[65536];
    UInt64 read = 0;
    bool ok = true;
    for (;;) {
        GSErrCode r = source.ReadBin(buffer, sizeof buffer, &read);
        if (read > 0 && std::fwrite(buffer, 1, size_t(read), out) != read)
            ok = false;
        if (r != 0 || !ok)
            break;
    }
    ok = ok && !std::ferror(out);
    ok = (std::fclose(out) == 0) && ok;
    if (!ok || ::rename(temporary.c_str(), to.ToPath().c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        return ok ? FromErrno(error) : ErrIO;
    }
    return 0;
}

std::FILE* CreateFileBeside(const std::string& path, std::string& temporary) {
    const std::string::size_type slash = path.rfind('/');
    temporary = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".partial-XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return nullptr;
    (void)::fchmod(descriptor, 0644); // as any file the user writes; mkstemp makes it 0600
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(descriptor);
        ::unlink(temporary.c_str());
        errno = error;
    }
    return file;
}

GSErrCode FileSystem::Delete(const Location& file) const {
    if (file.IsEmpty())
        return ErrBadLocation;
    return ::unlink(file.ToPath().c_str()) == 0 ? 0 : FromErrno(errno);
}

bool FileSystem::Exists(const Location& location) const {
    struct stat s {};
    return !location.IsEmpty() && ::stat(location.ToPath().c_str(), &s) == 0;
}

} // namespace IO
