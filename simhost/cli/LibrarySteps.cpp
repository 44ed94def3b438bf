// Steps for the project's libraries, and the placing of library-part objects.
#include "cli/LibrarySteps.h"

#include "cli/Script.h"
#include "model/Libraries.h"

namespace simhost {

using nlohmann::json;

GS::Guid PlaceLibraryPartObject(Host& host, const std::string& partName, double area, const std::string& id) {
    if (host.project.libraries.IndexOfPart(partName) == 0)
        throw StepError("no library part is named \"" + partName + "\"");
    Element e;
    e.guid = GS::Guid::Generate();
    e.type = ElemTypeObject;
    e.id = id.empty() ? host.project.elements.NextId(ElemTypeObject) : id;
    e.libraryPart = partName;
    e.area = area;
    host.project.elements.elements.push_back(e);
    return e.guid;
}

namespace {

std::string ScriptPath(StepContext& c, const std::string& path) {
    std::filesystem::path p(path);
    return (p.is_absolute() ? p : c.scriptFolder / p).lexically_normal().string();
}

// {"step":"libraries"} with optional "embeddedFolder" (a folder, or "" for none) and
// "specialFolder" (the host's special folder 6): sets them, then prints the libraries.
json LibrariesStep(StepContext& c, const json& step) {
    Libraries& libraries = c.host.project.libraries;
    if (step.contains("embeddedFolder")) {
        std::string folder = TextField(step, "embeddedFolder");
        libraries.embeddedFolder = folder.empty() ? folder : ScriptPath(c, folder);
    }
    if (step.contains("specialFolder"))
        c.host.specialFolders[SpecialFolderUserLibrary] = ScriptPath(c, TextField(step, "specialFolder"));
    return {{"libraries", LibrariesToJson(libraries)}};
}

const bool libraryStepsRegistered = RegisterStep("libraries", LibrariesStep);

} // namespace
} // namespace simhost
