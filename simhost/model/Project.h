#pragma once

#include "gs/Guid.h"
#include "model/Attributes.h"
#include "model/Elements.h"
#include "model/Libraries.h"
#include "model/Selection.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <vector>

namespace simhost {

// A named text value kept with the project. Custom autotexts are addressed by the key
// "autotext-" + the text of their identity.
struct Autotext {
    std::string name;
    GS::Guid identity;
    std::string value;

    std::string Key() const { return "autotext-" + identity.ToString(); }
};

struct ProjectInfo {
    std::string name;
    std::string author;
    std::string organization;
    std::string number;
    std::string status;
    std::string issueDate;
    std::string address;
};

// The host's project: what the project file holds.
struct Project {
    ProjectInfo info;
    std::vector<Autotext> autotexts; // custom autotexts, in creation order
    ElementStore elements;
    Libraries libraries;
    AttributeStore attributes;
    Selection selection;

    // The host's own autotexts, listed before the custom ones.
    std::vector<Autotext> BuiltInAutotexts() const;
};

// A project file that cannot be read; the message names the file and the fault.
class ProjectFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Throws ProjectFileError: `source` cannot be opened as a project because of `fault`.
[[noreturn]] void RefuseProjectFile(const std::string& source, const std::string& fault);

constexpr int ProjectFileVersion = 1;

nlohmann::json ProjectToJson(const Project& project);
// Throws ProjectFileError naming `source` when the document is not a project of this version or
// its contents disagree.
Project ProjectFromJson(const nlohmann::json& document, const std::string& source);

Project LoadProjectFile(const std::string& path);
// Writes the project atomically: a temporary file beside the target, flushed to disk, then
// renamed over it, so the file is always either the old or the new project.
void SaveProjectFile(const Project& project, const std::string& path);

} // namespace simhost
