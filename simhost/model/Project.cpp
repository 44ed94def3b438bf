#include "model/Project.h"

#include "model/AttributesFile.h"
#include "model/ProjectConsistency.h"
#include "runtime/System.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace simhost {

using nlohmann::json;

std::vector<Autotext> Project::BuiltInAutotexts() const {
    // Built-in autotexts have fixed identities of their own.
    return {
        {"Project Name", GS::Guid("00000000-0000-0000-0000-000000000001"), info.name},
        {"Project Number", GS::Guid("00000000-0000-0000-0000-000000000002"), info.number},
        {"Client", GS::Guid("00000000-0000-0000-0000-000000000003"), info.organization},
    };
}

json ProjectToJson(const Project& project) {
    json autotexts = json::array();
    for (const auto& a : project.autotexts)
        autotexts.push_back({{"name", a.name}, {"identity", a.identity.ToString()}, {"value", a.value}});
    const ProjectInfo& i = project.info;
    return {{"format", "simhost-project"},
            {"version", ProjectFileVersion},
            {"projectInfo",
             {{"name", i.name},
              {"author", i.author},
              {"organization", i.organization},
              {"number", i.number},
              {"status", i.status},
              {"issue_date", i.issueDate},
              {"address", i.address}}},
            {"autotexts", autotexts},
            {"elements", ElementsToJson(project.elements)},
            {"libraries", LibrariesToJson(project.libraries)},
            {"attributes", AttributesToJson(project.attributes)},
            {"selection", SelectionToJson(project.selection)}};
}

void RefuseProjectFile(const std::string& source, const std::string& fault) {
    throw ProjectFileError(source + ": " + fault);
}

namespace {

std::string TextMember(const json& object, const char* key, const std::string& source,
                       const std::string& where) {
    if (!object.contains(key))
        return std::string();
    if (!object.at(key).is_string())
        RefuseProjectFile(source, where + "." + key + " is not a text");
    return object.at(key).get<std::string>();
}

} // namespace

Project ProjectFromJson(const json& document, const std::string& source) {
    // value() would throw the JSON library's type error for a format that is not a text.
    if (!document.is_object() || !document.contains("format") || document.at("format") != "simhost-project")
        RefuseProjectFile(source, "not a simhost project file");
    if (!document.contains("version") || !document.at("version").is_number_integer())
        RefuseProjectFile(source, "the file has no version");
    if (document.at("version").get<int>() != ProjectFileVersion)
        RefuseProjectFile(source, "unsupported project file version " + document.at("version").dump() +
                                      " (expected " + std::to_string(ProjectFileVersion) + ")");
    Project project;
    if (document.contains("projectInfo")) {
        const json& i = document.at("projectInfo");
        if (!i.is_object())
            RefuseProjectFile(source, "projectInfo is not an object");
        project.info = {TextMember(i, "name", source, "projectInfo"),
                        TextMember(i, "author", source, "projectInfo"),
                        TextMember(i, "organization", source, "projectInfo"),
                        TextMember(i, "number", source, "projectInfo"),
                        TextMember(i, "status", source, "projectInfo"),
                        TextMember(i, "issue_date", source, "projectInfo"),
                        TextMember(i, "address", source, "projectInfo")};
    }
    if (document.contains("autotexts")) {
        const json& list = document.at("autotexts");
        if (!list.is_array())
            RefuseProjectFile(source, "autotexts is not an array");
        for (size_t n = 0; n < list.size(); ++n) {
            std::string where = "autotexts[" + std::to_string(n) + "]";
            if (!list[n].is_object())
                RefuseProjectFile(source, where + " is not an object");
            Autotext a{TextMember(list[n], "name", source, where),
                       GS::Guid(TextMember(list[n], "identity", source, where)),
                       TextMember(list[n], "value", source, where)};
            if (a.identity.IsNull())
                RefuseProjectFile(source, where + " has no valid identity");
            for (const auto& other : project.autotexts)
                if (other.identity == a.identity)
                    RefuseProjectFile(source, where + " repeats the identity " + a.identity.ToString());
            project.autotexts.push_back(std::move(a));
        }
    }
    if (document.contains("libraries"))
        project.libraries = LibrariesFromJson(document.at("libraries"), source);
    if (document.contains("elements"))
        project.elements = ElementsFromJson(document.at("elements"), project.libraries, source);
    if (document.contains("attributes"))
        project.attributes = AttributesFromJson(document.at("attributes"), source);
    if (document.contains("selection"))
        project.selection = SelectionFromJson(document.at("selection"), project.elements, source);
    CheckProjectConsistency(project, source);
    return project;
}

Project LoadProjectFile(const std::string& path) {
    std::ifstream in(sys::PathFromUtf8(path), std::ios::binary);
    if (!in)
        RefuseProjectFile(path, std::string("cannot open: ") + std::strerror(errno));
    std::stringstream text;
    text << in.rdbuf();
    json document;
    try {
        document = json::parse(text.str());
    } catch (const json::exception& e) {
        // Not only parse errors: a number too large for a double is an out-of-range error.
        RefuseProjectFile(path, std::string("not valid JSON: ") + e.what());
    }
    return ProjectFromJson(document, path);
}

void SaveProjectFile(const Project& project, const std::string& path) {
    std::string text = ProjectToJson(project).dump(2) + "\n";
    try {
        sys::ReplaceFileDurably(path, path + ".tmp." + std::to_string(sys::ProcessId()), text);
    } catch (const std::runtime_error& e) {
        throw ProjectFileError(path + ": " + e.what());
    }
}

} // namespace simhost
