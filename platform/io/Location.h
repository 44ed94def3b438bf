#pragma once

#include "gs/Types.h"
#include "gs/UniString.h"

#include <string>

namespace IO {

// Codes of the file system. 0 is success.
constexpr GSErrCode ErrFileNotFound = GSErrCode(0x81010301u);
constexpr GSErrCode ErrAccessDenied = GSErrCode(0x81010302u);
constexpr GSErrCode ErrIO = GSErrCode(0x81010303u);
// The folder to create exists already.
constexpr GSErrCode ErrFolderExists = GSErrCode(0x81010304u);
constexpr GSErrCode ErrNotOpen = GSErrCode(0x81010305u);
constexpr GSErrCode ErrBadName = GSErrCode(0x81010306u);
constexpr GSErrCode ErrBadLocation = GSErrCode(0x81010307u);

// Texts of names and paths are UTF-8 on every system; on Windows they reach the system as UTF-16.

// One component of a location: a file or folder name, never a path.
class Name {
public:
    Name() = default;
    Name(const char* text) : text(text ? text : "") {}
    Name(std::string text) : text(std::move(text)) {}
    Name(const GS::UniString& text) : text(text.ToCStr(CC_UTF8)) {}

    const std::string& ToString() const noexcept { return text; }
    bool IsEmpty() const noexcept { return text.empty(); }
    // A name holding no separator and not "." or "..": it stays inside its folder.
    bool IsSimple() const;

private:
    std::string text;
};

// Converts a path in the host's form, where "\" separates components as "/" does, to this
// system's form (its own separator, no repeated or trailing separators).
std::string HostPathToNative(std::string path);

// A place in the file system, named by its path. Texts built with either separator name the
// same place.
class Location {
public:
    Location() = default;
    explicit Location(const char* path);
    explicit Location(const std::string& path);
    explicit Location(const GS::UniString& path);

    bool IsEmpty() const noexcept { return path.empty(); }
    const std::string& ToPath() const noexcept { return path; }
    GS::UniString ToDisplayText() const { return GS::UniString(path, CC_UTF8); }

    // Appends one component; ErrBadName for a name that is empty or not simple.
    GSErrCode AppendToLocal(const Name& name);
    // Replaces the last component; ErrBadName likewise, ErrBadLocation when there is none.
    GSErrCode SetLastLocalName(const Name& name);
    GSErrCode GetLastLocalName(Name* name) const;
    GSErrCode DeleteLastLocalName();

    bool operator==(const Location& other) const noexcept { return path == other.path; }
    bool operator!=(const Location& other) const noexcept { return !(*this == other); }

private:
    std::string path; // native form, no trailing separator (except the root's)
};

} // namespace IO
