#include "model/Project.h"
#include "runtime/System.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using simhost::Project;
using simhost::ProjectFileError;

namespace {
fs::path ProjectTestFolder() {
    fs::path p =
        fs::temp_directory_path() / ("simhost-project-test-" + std::to_string(simhost::sys::ProcessId()));
    fs::create_directories(p);
    return p;
}
void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p) << text;
}
std::string Read(const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST(ProjectFile, SavesAndLoadsTheSameProject) {
    fs::path folder = ProjectTestFolder();
    Project p;
    p.info.name = "Haus W\xC3\xA4rme";
    p.info.issueDate = "2026-12-08";
    p.autotexts.push_back({"QV_GUID", GS::Guid::Generate(), "value"});
    simhost::SaveProjectFile(p, (folder / "a.json").string());
    Project back = simhost::LoadProjectFile((folder / "a.json").string());
    EXPECT_EQ(simhost::ProjectToJson(back), simhost::ProjectToJson(p));
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename(), "a.json") << "no temporary file is left behind";
    fs::remove_all(folder);
}

TEST(ProjectFile, RefusesUnreadableFilesNamingFileAndFault) {
    fs::path folder = ProjectTestFolder();
    const std::pair<std::string, std::string> cases[] = {
        {"{not json", "not valid JSON"},
        {R"({"format":"simhost-project","version":1,"projectInfo":{"name":"a"},"x":2E23222})",
         "not valid JSON"},
        {R"({"format":"simhost-project","version":2})", "unsupported project file version 2"},
        {R"({"format":"other","version":1})", "not a simhost project file"},
        {R"({"format":99999999999999999999,"version":1})", "not a simhost project file"},
        {R"({"format":"simhost-project"})", "no version"},
        {R"({"format":"simhost-project","version":1,"autotexts":{}})", "autotexts is not an array"},
        {R"({"format":"simhost-project","version":1,"autotexts":[{"name":"a","identity":"bad"}]})",
         "autotexts[0] has no valid identity"},
        {R"({"format":"simhost-project","version":1,"projectInfo":{"name":5}})",
         "projectInfo.name is not a text"},
    };
    for (const auto& [text, fault] : cases) {
        fs::path file = folder / "bad.json";
        Write(file, text);
        try {
            simhost::LoadProjectFile(file.string());
            ADD_FAILURE() << "accepted " << text;
        } catch (const ProjectFileError& e) {
            std::string message = e.what();
            EXPECT_NE(message.find(file.string()), std::string::npos) << message;
            EXPECT_NE(message.find(fault), std::string::npos) << message;
        }
        EXPECT_EQ(Read(file), text) << "a refused file is not touched";
    }
    EXPECT_THROW(simhost::LoadProjectFile((folder / "missing.json").string()), ProjectFileError);
    fs::remove_all(folder);
}

TEST(ProjectFile, AFailedSaveLeavesThePreviousFile) {
    fs::path folder = ProjectTestFolder();
    fs::path file = folder / "p.json";
    Project p;
    p.info.name = "old";
    simhost::SaveProjectFile(p, file.string());
    std::string before = Read(file);
    // A folder where the temporary file should go makes the save fail before the rename.
    fs::create_directory(file.string() + ".tmp." + std::to_string(simhost::sys::ProcessId()));
    p.info.name = "new";
    EXPECT_THROW(simhost::SaveProjectFile(p, file.string()), ProjectFileError);
    EXPECT_EQ(Read(file), before);
    fs::remove_all(folder);
}
