// The host's special folders: the user library of the session, and folders a project names.
#include "io/Location.h"
#include "table/Operations.h"

#include <filesystem>

namespace simhost {

GSErrCode requests::GetSpecialFolder(Host& host, Int32 number, IO::Location* location) {
    if (location == nullptr)
        return ErrBadParameter;
    auto& folders = host.specialFolders;
    auto found = folders.find(number);
    std::string path;
    if (found != folders.end())
        path = found->second;
    else if (number == SpecialFolderUserLibrary)
        // A user library of the session's own.
        path = folders[number] = (std::filesystem::path(host.SessionFolder()) / "UserLibrary").string();
    else
        return ErrBadParameter;
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored); // the host keeps its folders in place
    *location = IO::Location(path);
    return NoError;
}

} // namespace simhost
