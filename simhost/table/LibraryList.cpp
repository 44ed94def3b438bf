// The project's library list: the embedded library, folders and library containers.
#include "io/File.h"
#include "io/Location.h"
#include "table/Operations.h"

#include <filesystem>

namespace simhost {

GSErrCode requests::GetLibraryList(Host& host, GS::Array<API_LibraryInfo>* list, Int32* embeddedIndex) {
    if (list == nullptr)
        return ErrBadParameter;
    const Libraries& libraries = host.project.libraries;
    list->Clear();
    if (!libraries.embeddedFolder.empty())
        list->Push(API_LibraryInfo{IO::Location(libraries.embeddedFolder),
                                   GS::UniString(EmbeddedLibraryName, CC_UTF8), 1, 0});
    for (const auto& e : libraries.list)
        list->Push(
            API_LibraryInfo{IO::Location(e.path), GS::UniString(e.name, CC_UTF8), e.container ? 2 : 0, 0});
    if (embeddedIndex != nullptr)
        *embeddedIndex = libraries.embeddedFolder.empty() ? -1 : 0;
    return NoError;
}

GSErrCode requests::SetLibraryList(Host& host, const GS::Array<API_LibraryInfo>* list) {
    if (list == nullptr)
        return ErrBadParameter;
    Libraries& libraries = host.project.libraries;
    std::vector<LibraryEntry> entries;
    for (const auto& info : *list) {
        std::string path = info.location.ToPath();
        // The embedded library belongs to the project; it is listed but not replaced.
        if (!libraries.embeddedFolder.empty() && path == IO::Location(libraries.embeddedFolder).ToPath())
            continue;
        LibraryEntry entry{path, info.name.ToCStr(CC_UTF8), false, {}};
        if (!IO::IsFolder(path)) {
            auto parts = IO::IsRegularFile(path) ? ReadContainerFile(path) : std::nullopt;
            if (!parts)
                return ErrNotFound;
            entry.container = true;
            entry.parts = std::move(*parts);
        }
        if (entry.name.empty())
            entry.name = std::filesystem::path(path).filename().string();
        entries.push_back(std::move(entry));
    }
    libraries.list = std::move(entries);
    return NoError;
}

GSErrCode requests::SetLibraryPartOverwrite(Host& host, bool overwrite) {
    host.project.libraries.overwrite = overwrite;
    return NoError;
}

} // namespace simhost
