#include "io/Location.h"
#include "io/Native.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace IO::Native {

size_t RootLength(const std::string& path) {
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

Kind Inspect(const std::string& path, GSErrCode* error, UInt64* size) {
    struct stat s {};
    if (::stat(path.c_str(), &s) != 0) {
        if (error != nullptr)
            *error = FromErrno(errno);
        return Kind::Missing;
    }
    if (size != nullptr)
        *size = UInt64(s.st_size);
    return S_ISREG(s.st_mode) ? Kind::File : S_ISDIR(s.st_mode) ? Kind::Folder : Kind::Other;
}

std::FILE* Open(const std::string& path, const char* mode, GSErrCode* error) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr && error != nullptr)
        *error = FromErrno(errno);
    return file;
}

GSErrCode MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : FromErrno(errno);
}

bool MayCreateFilesIn(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

GSErrCode ReplaceWith(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : FromErrno(errno);
}

GSErrCode Remove(const std::string& file) {
    return ::unlink(file.c_str()) == 0 ? 0 : FromErrno(errno);
}

std::FILE* CreateUnique(const std::string& prefix, std::string& path, GSErrCode* error) {
    path = prefix + "XXXXXX";
    const int descriptor = ::mkstemp(path.data());
    if (descriptor < 0) {
        *error = FromErrno(errno);
        return nullptr;
    }
    (void)::fchmod(descriptor, 0644); // as any file the user writes; mkstemp makes it 0600
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (file == nullptr) {
        *error = FromErrno(errno);
        ::close(descriptor);
        ::unlink(path.c_str());
    }
    return file;
}

} // namespace IO::Native
