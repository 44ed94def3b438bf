#pragma once

#include "io/Location.h"

#include <cstdio>
#include <string>

namespace IO {

// How access refusals are answered. 0: the code, and a line in the debug output; 2: the code
// alone, as quietly as any other failure.
enum AccessDeniedTreatment : Int32 {
    AccessDeniedLogged = 0,
    AccessDeniedQuiet = 2,
};

// A file at a location. Its status says whether the location names a readable regular file (or,
// with OnNotFound::Create, whether it could be made).
class File {
public:
    enum OnNotFound : Int32 { Fail = 0, Create = 1 };
    enum OpenMode : Int32 { ReadMode = 0, WriteMode = 1, ReadWriteMode = 2 };

    explicit File(const Location& location, OnNotFound onNotFound = Fail);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    GSErrCode GetStatus() const noexcept { return status; }
    const Location& GetLocation() const noexcept { return location; }
    // Opens for reading (0), writing from the start (1) or both (2); ErrAccessDenied, ErrFileNotFound.
    GSErrCode Open(OpenMode mode, AccessDeniedTreatment treatment = AccessDeniedLogged);
    bool IsOpen() const noexcept { return stream != nullptr; }
    GSErrCode Close();
    // The file's length in bytes; works opened or not.
    GSErrCode GetDataLength(UInt64* length) const;
    // Reads `count` bytes; ErrIO when fewer could be read (`read` receives the number read).
    GSErrCode ReadBin(char* target, UInt64 count, UInt64* read = nullptr);
    GSErrCode WriteBin(const char* source, UInt64 count);

private:
    Location location;
    GSErrCode status = 0;
    std::FILE* stream = nullptr;
};

// A folder at a location.
class Folder {
public:
    enum OnNotFound : Int32 { Fail = 0, Create = 1 };

    explicit Folder(const Location& location, OnNotFound onNotFound = Fail);

    GSErrCode GetStatus() const noexcept { return status; }
    const Location& GetLocation() const noexcept { return location; }
    // The current user may create files in it.
    bool IsWriteable() const;

private:
    Location location;
    GSErrCode status = 0;
};

// The host's file system operations.
class FileSystem {
public:
    // Creates the folder (its parent must exist); ErrFolderExists when a folder is there already,
    // ErrAccessDenied, ErrFileNotFound when the parent is missing.
    GSErrCode CreateFolder(const Location& folder,
                           AccessDeniedTreatment treatment = AccessDeniedLogged) const;
    // Copies a regular file; an existing target file is replaced. ErrFileNotFound for a missing
    // source, ErrAccessDenied, ErrIO.
    GSErrCode Copy(const Location& from, const Location& to) const;
    // Removes a file; ErrFileNotFound when there is none.
    GSErrCode Delete(const Location& file) const;
    bool Exists(const Location& location) const;
};

extern const FileSystem fileSystem;

// Whether the native path names an existing regular file, or an existing folder.
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);

// A new empty file in the folder of `path` (a native path), open for writing, for data that are
// put in place of `path` (PutInPlace) once whole. Its name has a length of its own, so that any
// name that fits the folder has a temporary file that fits too. `temporary` receives its path;
// null when none can be made (`error` says why).
std::FILE* CreateFileBeside(const std::string& path, std::string& temporary, GSErrCode* error = nullptr);
// Puts the closed file `temporary` in place of `path` in one step, replacing a file there (on
// Windows MoveFileExW with MOVEFILE_REPLACE_EXISTING); on failure the temporary file is removed.
GSErrCode PutInPlace(const std::string& temporary, const std::string& path);
// Removes a temporary file that will not be put in place.
void Discard(const std::string& temporary);

} // namespace IO
