#include "io/File.h"

#include "gs/Debug.h"
#include "io/Native.h"

#include <optional>

namespace IO {

const FileSystem fileSystem;

bool IsRegularFile(const std::string& path) {
    return !path.empty() && Native::Inspect(path) == Native::Kind::File;
}

bool IsFolder(const std::string& path) {
    return !path.empty() && Native::Inspect(path) == Native::Kind::Folder;
}

namespace {

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
    GSErrCode error = 0;
    const Native::Kind kind = Native::Inspect(path, &error);
    if (kind != Native::Kind::Missing)
        return kind == (wantFolder ? Native::Kind::Folder : Native::Kind::File) ? 0 : ErrBadLocation;
    if (!mayCreate)
        return error;
    return std::nullopt;
}

} // namespace

File::File(const Location& loc, OnNotFound onNotFound) : location(loc) {
    const std::string& path = location.ToPath();
    if (auto existing = ExistingStatus(path, false, onNotFound == Create)) {
        status = *existing;
        return;
    }
    std::FILE* created = Native::Open(path, "ab", &status);
    if (created != nullptr) {
        status = 0;
        std::fclose(created);
    }
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
    GSErrCode error = 0;
    stream = Native::Open(location.ToPath(), how, &error);
    if (stream == nullptr)
        return Answer(error, treatment, location.ToPath());
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
    GSErrCode error = 0;
    UInt64 size = 0;
    if (Native::Inspect(location.ToPath(), &error, &size) == Native::Kind::Missing)
        return error;
    *length = size;
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
    status = Native::MakeFolder(path);
}

bool Folder::IsWriteable() const {
    return status == 0 && Native::MayCreateFilesIn(location.ToPath());
}

GSErrCode FileSystem::CreateFolder(const Location& folder, AccessDeniedTreatment treatment) const {
    const std::string& path = folder.ToPath();
    if (path.empty())
        return ErrBadLocation;
    const GSErrCode code = Native::MakeFolder(path);
    if (code == ErrFolderExists)
        return Native::Inspect(path) == Native::Kind::Folder ? ErrFolderExists : ErrBadLocation;
    return code == 0 ? 0 : Answer(code, treatment, path);
}

GSErrCode FileSystem::Copy(const Location& from, const Location& to) const {
    if (Native::Inspect(from.ToPath()) != Native::Kind::File)
        return ErrFileNotFound;
    if (from == to)
        return 0;
    File source(from);
    GSErrCode code = source.Open(File::ReadMode, AccessDeniedQuiet);
    if (code != 0)
        return code;
    // Written beside the target and put in its place, so a failed copy leaves the old file whole.
    std::string temporary;
    GSErrCode error = 0;
    std::FILE* out = CreateFileBeside(to.ToPath(), temporary, &error);
    if (out == nullptr)
        return error;
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
    return ok ? PutInPlace(temporary, to.ToPath()) : (Discard(temporary), ErrIO);
}

std::FILE* CreateFileBeside(const std::string& path, std::string& temporary, GSErrCode* error) {
    const std::string::size_type separator = path.rfind(Native::Separator);
    const std::string folder = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
    GSErrCode code = 0;
    std::FILE* file = Native::CreateUnique(folder + ".partial-", temporary, &code);
    if (error != nullptr)
        *error = code;
    return file;
}

GSErrCode PutInPlace(const std::string& temporary, const std::string& path) {
    const GSErrCode code = Native::ReplaceWith(temporary, path);
    if (code != 0)
        Discard(temporary);
    return code;
}

void Discard(const std::string& temporary) {
    (void)Native::Remove(temporary); // the caller's failure is the one to report
}

GSErrCode FileSystem::Delete(const Location& file) const {
    if (file.IsEmpty())
        return ErrBadLocation;
    return Native::Remove(file.ToPath());
}

bool FileSystem::Exists(const Location& location) const {
    return !location.IsEmpty() && Native::Inspect(location.ToPath()) != Native::Kind::Missing;
}

} // namespace IO
