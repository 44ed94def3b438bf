// `simhost run` with library parts: objects placed from library parts, and a family product
// imported from the local file service (`--files`).
#include "e2e/RunCommand.h"
#include "support/TempFolder.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using testing_support::RunResult;
using testing_support::TempFolder;
using testing_support::WriteFile;

RunResult RunSimhost(const TempFolder& folder, const std::string& script, const std::string& options = "",
                     const std::string& environment = "") {
    return testing_support::RunSimhostScript(folder.path, script, options, environment);
}

const char* const PartFile =
    R"({"format":"simhost-libpart","version":1,"a":0.5,"b":0.5,"parameters":[],"sections":[]})";

// The file service's folder holding the part file as "f-1", the temporary folder the download
// lands in, and the special folder the add-on registers library parts in.
void ServeThePartFile(const TempFolder& folder) {
    for (const char* sub : {"files", "temp", "library"})
        fs::create_directories(folder.path / sub);
    WriteFile(folder / "files/f-1", PartFile);
}

} // namespace

TEST(SimhostLibraryRun, PlacesObjectsOfALibraryPart) {
    TempFolder folder;
    WriteFile(folder / "chair.gsm", PartFile);
    RunResult empty = RunSimhost(folder, R"({"step":"state"})");
    ASSERT_EQ(empty.exitCode, 0) << empty.err;
    json project = empty.lines.at(0)["project"];
    project["libraries"]["parts"] =
        json::array({{{"name", "Chair"}, {"file", folder / "chair.gsm"}, {"origin", "registered"}}});
    WriteFile(folder / "project.json", project.dump());

    RunResult r =
        RunSimhost(folder, R"({"step":"place","type":"object","libraryPart":"Chair","area":1.5,"id":"C-1"}
{"step":"place","type":"object","libraryPart":"Chair","area":2}
{"step":"place","type":"object","libraryPart":"Sofa","area":1}
{"step":"place","type":"wall","libraryPart":"Chair","area":1}
{"step":"state"}
)",
                   "--project " + (folder / "project.json"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 5u);
    EXPECT_TRUE(r.lines[0].contains("guid")) << r.lines[0];
    EXPECT_TRUE(r.lines[1].contains("guid")) << r.lines[1];
    EXPECT_EQ(r.lines[2]["error"], "no library part is named \"Sofa\"");
    EXPECT_EQ(r.lines[3]["error"], "only objects place library parts");
    const json& elements = r.lines[4]["project"]["elements"];
    ASSERT_EQ(elements.size(), 2u) << elements;
    EXPECT_EQ(elements[0]["guid"], r.lines[0]["guid"]);
    EXPECT_EQ(elements[0]["id"], "C-1");
    EXPECT_EQ(elements[0]["libraryPart"], "Chair");
    EXPECT_EQ(elements[1]["libraryPart"], "Chair");
}

TEST(SimhostLibraryRun, ImportsAFamilyProductFromTheFileServiceAndPlacesIt) {
    TempFolder folder;
    ServeThePartFile(folder);
    const json product = {{"importType", "FAMILY_IMPORT"},
                          {"name", "Chair"},
                          {"uuid", "prod-1"},
                          {"fileForImportUuid", "f-1"},
                          {"fileForImportContentType", "model/GSM"}};
    const json libraries = {{"step", "libraries"}, {"specialFolder", folder / "library"}};
    const json import = {{"step", "call"}, {"function", "import"}, {"argJson", product}};
    RunResult r = RunSimhost(folder,
                             libraries.dump() + "\n" + R"({"step":"menu","menu":32500,"item":1}
)" + import.dump() + "\n" +
                                 R"({"step":"place","type":"object","libraryPart":"Chair","area":1}
{"step":"place","type":"object","libraryPart":"Chair","area":1}
{"step":"call","function":"export","arg":"PROJECT_INFO"}
{"step":"state"}
)",
                             "--files " + (folder / "files"), "TEMP=" + (folder / "temp"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("misused the host"), std::string::npos) << r.err;
    ASSERT_EQ(r.lines.size(), 7u);
    ASSERT_TRUE(r.lines[2].contains("value")) << r.lines[2];
    EXPECT_EQ(json::parse(r.lines[2]["value"].get<std::string>())["Success"], true);
    EXPECT_TRUE(fs::is_regular_file(folder.path / "temp/Chair.GSM"));
    const json families = json::parse(r.lines[5]["value"].get<std::string>())["ImportedData"]["Families"];
    EXPECT_EQ(families,
              json::parse(R"([{"Uuid":"prod-1","NumOfElements":2,"TotalArea":0.0,"SuplierData":false}])"));
    const json& state = r.lines[6]["project"];
    ASSERT_EQ(state["libraries"]["parts"].size(), 1u);
    const json& part = state["libraries"]["parts"][0];
    EXPECT_EQ(part["name"], "Chair");
    EXPECT_EQ(part["file"], folder / "library/Quorvel/Chair.GSM");
    ASSERT_EQ(part["parameters"].size(), 2u);
    EXPECT_EQ(part["parameters"][1]["value"], "prod-1");
    ASSERT_EQ(state["elements"].size(), 2u);
    EXPECT_EQ(state["elements"][1]["libraryPart"], "Chair");
}

TEST(SimhostLibraryRun, ObjectsCountForTheirPartWhenAnImportPutsAPartBeforeIt) {
    TempFolder folder;
    ServeThePartFile(folder);
    // A container of the project's library list whose lamp is a tagged product.
    WriteFile(folder / "lights.lcf", R"({"format":"simhost-container","version":1,"parts":[
        {"name":"Lamp","parameters":[{"type":12,"name":"Q7_QV_UUID","description":"QV_UUID","value":"lamp-1"}]}]})");
    RunResult empty = RunSimhost(folder, R"({"step":"state"})");
    ASSERT_EQ(empty.exitCode, 0) << empty.err;
    json project = empty.lines.at(0)["project"];
    project["libraries"]["list"] =
        json::array({{{"path", folder / "lights.lcf"}, {"name", "Lights"}, {"container", true}}});
    WriteFile(folder / "project.json", project.dump());
    const json library = {{"step", "libraries"}, {"specialFolder", folder / "library"}};

    const json chair = {{"importType", "FAMILY_IMPORT"},
                        {"name", "Chair"},
                        {"uuid", "chair-1"},
                        {"fileForImportUuid", "f-1"},
                        {"fileForImportContentType", "model/GSM"}};
    const json import = {{"step", "call"}, {"function", "import"}, {"argJson", chair}};
    RunResult r = RunSimhost(folder,
                             library.dump() + "\n" + R"({"step":"menu","menu":32500,"item":1}
{"step":"place","type":"object","libraryPart":"Lamp","area":0}
{"step":"place","type":"object","libraryPart":"Lamp","area":0}
)" + import.dump() + "\n" +
                                 R"({"step":"call","function":"export","arg":"PROJECT_INFO"}
)",
                             "--project " + (folder / "project.json") + " --files " + (folder / "files"),
                             "TEMP=" + (folder / "temp"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 6u);
    ASSERT_TRUE(r.lines[5].contains("value")) << r.lines[5];
    const json families = json::parse(r.lines[5]["value"].get<std::string>())["ImportedData"]["Families"];
    EXPECT_EQ(families,
              json::parse(R"([{"Uuid":"chair-1","NumOfElements":0,"TotalArea":0.0,"SuplierData":false},
                                        {"Uuid":"lamp-1","NumOfElements":2,"TotalArea":0.0,"SuplierData":false}])"))
        << "the imported chair is listed before the container's lamp, and the lamps stay the lamp's";
}
