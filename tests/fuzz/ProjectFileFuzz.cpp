// simhost's project-file reader on any bytes, as LoadProjectFile reads a file's contents: a
// project or a ProjectFileError, never another failure. A project it accepts writes out to a
// document it reads back to the same project.
#include "model/Project.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(data, data + size);
    } catch (const nlohmann::json::exception&) {
        return 0; // LoadProjectFile refuses it as not valid JSON
    }
    simhost::Project project;
    try {
        project = simhost::ProjectFromJson(document, "fuzz.json");
    } catch (const simhost::ProjectFileError& e) {
        if (std::string(e.what()).rfind("fuzz.json: ", 0) != 0)
            std::abort(); // the message names the file first
        return 0;
    }
    const nlohmann::json written = simhost::ProjectToJson(project);
    try {
        const simhost::Project again = simhost::ProjectFromJson(written, "written.json");
        if (simhost::ProjectToJson(again) != written)
            std::abort();
    } catch (const simhost::ProjectFileError&) {
        std::abort(); // a project the reader accepted, written out, must read back
    }
    return 0;
}
