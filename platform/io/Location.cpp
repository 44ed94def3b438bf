#include "io/Location.h"

namespace IO {

bool Name::IsSimple() const {
    if (text.empty() || text == "." || text == "..")
        return false;
    for (char c : text)
        if (c == '/' || c == '\\' || c == '\0')
            return false;
    return true;
}

std::string HostPathToNative(std::string path) {
    std::string native;
    native.reserve(path.size());
    for (char c : path) {
        if (c == '\\')
            c = '/';
        // Repeated separators name the same place as one.
        if (c == '/' && !native.empty() && native.back() == '/')
            continue;
        native.push_back(c);
    }
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    return native;
}

Location::Location(const char* text) : path(HostPathToNative(text ? text : "")) {}
Location::Location(const std::string& text) : path(HostPathToNative(text)) {}
Location::Location(const GS::UniString& text) : path(HostPathToNative(text.ToCStr())) {}

GSErrCode Location::AppendToLocal(const Name& name) {
    if (!name.IsSimple())
        return ErrBadName;
    if (path.empty() || path.back() != '/')
        path.push_back('/');
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
    size_t slash = path.rfind('/');
    std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    if (last.empty())
        return ErrBadLocation;
    *name = Name(last);
    return 0;
}

GSErrCode Location::DeleteLastLocalName() {
    size_t slash = path.rfind('/');
    if (path.empty() || path == "/")
        return ErrBadLocation;
    if (slash == std::string::npos)
        path.clear();
    else if (slash == 0)
        path = "/";
    else
        path.erase(slash);
    return 0;
}

} // namespace IO
