#include "model/Project.h"

#include "model/AttributesFile.h"
#include "model/ProjectConsistency.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

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
    std::ifstream in(path, std::ios::binary);
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
    std::string temporary = path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        throw ProjectFileError(path + ": cannot write: " + std::strerror(errno));
    size_t written = 0;
    while (written < text.size()) {
        ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int saved = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            throw ProjectFileError(path + ": cannot write: " + std::strerror(saved));
        }
        written += size_t(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int saved = errno;
        ::unlink(temporary.c_str());
        throw ProjectFileError(path + ": cannot write: " + std::strerror(saved));
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(temporary.c_str());
        throw ProjectFileError(path + ": cannot replace: " + std::strerror(saved));
    }
    // Make the rename itself durable.
    std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/'));
    if (folder.empty())
        folder = "/";
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        (void)::fsync(dir); // best effort: the data itself is already on disk
        ::close(dir);
    }
}

} // namespace simhost
