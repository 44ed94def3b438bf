// The C library's error numbers as the IO library's codes: the same on every system.
#include "io/Native.h"

#include "io/Location.h"

#include <cerrno>

namespace IO::Native {

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

} // namespace IO::Native
