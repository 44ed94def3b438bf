#include "model/ProjectEdits.h"

#include "api/ErrorCodes.h"
#include "runtime/System.h"

#include <algorithm>
#include <filesystem>

namespace simhost {

namespace {

// Whether the file lies inside the folder (at any depth).
bool IsInside(const std::string& file, const std::string& folder) {
    // In the system's own form: on Windows either separator may name the same folder, and a name
    // outside the ANSI code page stays whole.
    const auto native = [](const std::string& path) {
        return sys::PathFromUtf8(path).make_preferred().lexically_normal().native();
    };
    const auto f = native(file);
    auto d = native(folder);
    if (d.empty())
        return false;
    if (d.back() != std::filesystem::path::preferred_separator)
        d += std::filesystem::path::preferred_separator;
    return f.size() > d.size() && f.compare(0, d.size(), d) == 0;
}

} // namespace

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
        parts.erase(std::remove_if(parts.begin(), parts.end(),
                                   [&folder](const LibraryPart& p) { return IsInside(p.file, folder); }),
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
