#include "io/Location.h"

#include "io/Native.h"

namespace IO {

bool Name::IsSimple() const {
    if (text.empty() || text == "." || text == "..")
        return false;
    for (char c : text)
        if (Native::IsSeparator(c) || c == '\0')
            return false;
    return true;
}

std::string HostPathToNative(std::string path) {
    const size_t root = Native::RootLength(path);
    std::string native;
    native.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        char c = Native::IsSeparator(path[i]) ? Native::Separator : path[i];
        // Repeated separators name the same place as one (the root's own excepted).
        if (i >= root && c == Native::Separator && !native.empty() && native.back() == Native::Separator)
            continue;
        native.push_back(c);
    }
    while (native.size() > root && native.size() > 1 && native.back() == Native::Separator)
        native.pop_back();
    return native;
}

Location::Location(const char* text) : path(HostPathToNative(text ? text : "")) {}
Location::Location(const std::string& text) : path(HostPathToNative(text)) {}
Location::Location(const GS::UniString& text) : path(HostPathToNative(text.ToCStr(CC_UTF8))) {}

GSErrCode Location::AppendToLocal(const Name& name) {
    if (!name.IsSimple())
        return ErrBadName;
    if (path.empty() || path.back() != Native::Separator)
        path.push_back(Native::Separator);
    path += name.ToString();
    return 0;
}

GSErrCode Location::SetLastLocalName(const Name& name) {
    if (!name.IsSimple())
        return ErrBadName;
    GSErrCode code = DeleteLastLocalName();
    if (code != 0)
        return code;
    return AppendToLocal(name);
}

GSErrCode Location::GetLastLocalName(Name* name) const {
    if (name == nullptr)
        return ErrBadLocation;
    const size_t root = Native::RootLength(path);
    size_t separator = path.rfind(Native::Separator);
    size_t start = separator == std::string::npos ? 0 : separator + 1;
    if (start < root)
        start = root;
    std::string last = path.substr(start);
    if (last.empty())
        return ErrBadLocation;
    *name = Name(last);
    return 0;
}

GSErrCode Location::DeleteLastLocalName() {
    const size_t root = Native::RootLength(path);
    if (path.size() <= root)
        return ErrBadLocation;
    size_t separator = path.rfind(Native::Separator);
    path.erase(separator == std::string::npos || separator < root ? root : separator);
    return 0;
}

} // namespace IO
