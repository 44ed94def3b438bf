#include "model/ProjectEdits.h"

#include "api/ErrorCodes.h"

#include <algorithm>
#include <filesystem>

namespace simhost {

GSErrCode DeleteAttribute(Project& project, Int32 typeID, const std::string& name) {
    return project.attributes.Delete(typeID, name);
}

GSErrCode RenameAttribute(Project& project, Int32 typeID, const std::string& name, const std::string& to) {
    return project.attributes.Rename(typeID, name, to);
}

GSErrCode DeleteElement(Project& project, const std::string& id) {
    auto& elements = project.elements.elements;
    auto found =
        std::find_if(elements.begin(), elements.end(), [&id](const Element& e) { return e.id == id; });
    if (found == elements.end())
        return ErrNotFound;
    const GS::Guid guid = found->guid;
    elements.erase(found);
    std::vector<GS::Guid> kept;
    for (const auto& g : project.selection.guids)
        if (g != guid)
            kept.push_back(g);
    project.selection.guids = std::move(kept);
    return NoError;
}

GSErrCode RemoveLibrary(Project& project, const std::string& name) {
    Libraries& libraries = project.libraries;
    auto entry = std::find_if(libraries.list.begin(), libraries.list.end(),
                              [&name](const LibraryEntry& e) { return e.name == name; });
    if (entry == libraries.list.end())
        return !libraries.embeddedFolder.empty() && name == EmbeddedLibraryName ? ErrBadParameter
                                                                                : ErrNotFound;
    if (!entry->container) {
        const std::string folder = entry->path;
        auto& parts = libraries.parts;
        parts.erase(
            std::remove_if(parts.begin(), parts.end(),
                           [&folder](const LibraryPart& p) { return IsInsideFolder(p.file, folder); }),
            parts.end());
    }
    libraries.list.erase(entry);
    return NoError;
}

GSErrCode DeleteLibraryPart(Project& project, const std::string& name) {
    auto& parts = project.libraries.parts;
    auto own =
        std::find_if(parts.begin(), parts.end(), [&name](const LibraryPart& p) { return p.name == name; });
    if (own != parts.end()) {
        parts.erase(own);
        return NoError;
    }
    return project.libraries.IndexOfPart(name) != 0 ? ErrBadParameter : ErrNotFound;
}

} // namespace simhost
