// The add-on's answers in a project a person edits through `simhost run`: attributes deleted and
// renamed, elements deleted, libraries removed, another project opened; and the same answers from
// a host that varies within its contract.
#include "e2e/RunCommand.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

namespace fs = std::filesystem;
using nlohmann::json;
using testing_support::RunResult;

namespace {

struct Folder {
    fs::path path;
    Folder() {
        path = simhost::sys::MakeUniqueFolder(fs::temp_directory_path(), "simhost-edits-run-");
        fs::create_directories(path / "temp");
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

RunResult RunSteps(const Folder& folder, const std::vector<json>& steps, const std::string& options = "") {
    std::string script;
    for (const auto& s : steps)
        script += s.dump() + "\n";
    return testing_support::RunSimhostScript(folder.path, script, options, "TEMP=" + (folder / "temp"));
}

json Import(const json& product) {
    return {{"step", "call"}, {"function", "import"}, {"argJson", product}};
}

json Material(const std::string& name, const std::string& uuid) {
    return {{"importType", "MATERIAL_IMPORT"}, {"name", name}, {"uuid", uuid}, {"supplier", {{"name", "S"}}}};
}

const json Export = {{"step", "call"}, {"function", "export"}, {"arg", "PROJECT_INFO"}};
const json Overview = {{"step", "call"}, {"function", "getNewlyLoadedProjectOverview"}};
const json OpenPalette = {{"step", "menu"}, {"menu", 32500}, {"item", 1}};

json Place(const std::string& kind, const std::string& name, double area, const std::string& id) {
    return {{"step", "place"}, {"type", "wall"}, {"attribute", name},
            {"kind", kind},    {"area", area},   {"id", id}};
}

// The usage list of one kind ("Materials", "Types", "Families") of an export line, as
// uuid → [elements, area], in the order listed.
json Usage(const json& line, const char* kind) {
    json usage = json::array();
    const json exported = json::parse(line.at("value").get<std::string>());
    for (const auto& u : exported["ImportedData"][kind])
        usage.push_back({u["Uuid"], u["NumOfElements"], u["TotalArea"]});
    return usage;
}

// The identifier text the host holds for each building material, by name.
std::map<std::string, std::string> Identifiers(const json& stateLine) {
    std::map<std::string, std::string> ids;
    for (const auto& m : stateLine["project"]["attributes"]["buildingMaterials"])
        if (!m.is_null())
            ids[m["name"]] = m["id"];
    return ids;
}

} // namespace

TEST(SimhostEditsRun, TheAddOnCountsWhatIsLeftAfterEachEdit) {
    Folder folder;
    RunResult r = RunSteps(
        folder, {OpenPalette,
                 Import(Material("Clay", "a-1")),
                 Import(Material("Lime", "b-1")),
                 Place("material", "Clay", 2, "W-1"),
                 Place("material", "Clay", 3, "W-2"),
                 Place("material", "Lime", 4, "W-3"),
                 Export,
                 {{"step", "delete"}, {"element", "W-1"}},
                 Export,
                 {{"step", "delete"}, {"attribute", "Clay"}, {"kind", "material"}},
                 Export,
                 Import(Material("Sand", "c-1")),
                 {{"step", "rename"}, {"attribute", "Lime"}, {"kind", "material"}, {"to", "Lime 2019"}},
                 Import(Material("Lime", "b-1")),
                 Export,
                 {{"step", "state"}},
                 {{"step", "delete"}, {"attribute", "Clay"}, {"kind", "material"}},
                 {{"step", "delete"}, {"element", "W-1"}},
                 {{"step", "rename"}, {"attribute", "Sand"}, {"kind", "material"}, {"to", "Lime"}}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 19u);
    EXPECT_EQ(Usage(r.lines[6], "Materials"), json::parse(R"([["a-1",2,5.0],["b-1",1,4.0]])"));
    EXPECT_EQ(r.lines[7], json::parse(R"({"step":"delete","result":0})"));
    EXPECT_EQ(Usage(r.lines[8], "Materials"), json::parse(R"([["a-1",1,3.0],["b-1",1,4.0]])"))
        << "a deleted element no longer counts";
    EXPECT_EQ(Usage(r.lines[10], "Materials"), json::parse(R"([["b-1",1,4.0]])"))
        << "a deleted material is no longer listed, though a wall still refers to it";
    EXPECT_EQ(Usage(r.lines[14], "Materials"), json::parse(R"([["b-1",1,4.0],["c-1",0,0.0],["b-1",0,0.0]])"))
        << "a renamed material keeps its walls; its product imported again is a new material";
    const auto ids = Identifiers(r.lines[15]);
    EXPECT_EQ(ids.at("Sand"), "QV_002") << "the deleted material no longer counts in the identifier";
    EXPECT_EQ(ids.at("Lime"), "QV_003") << "the renamed material still counts";
    EXPECT_EQ(ids.at("Lime 2019"), "QV_002");
    const std::int64_t notFound = std::int32_t(0x81060006u), nameExists = std::int32_t(0x8106012Du);
    EXPECT_EQ(r.lines[16]["result"], notFound);
    EXPECT_EQ(r.lines[17]["result"], notFound);
    EXPECT_EQ(r.lines[18]["result"], nameExists);
}

// Quantities are computed from the composite as it is when asked: once it is deleted its walls
// have no layers to measure, and count for nothing.
TEST(SimhostEditsRun, ACompositeDeletedUnderItsWallsTakesTheirLayersAlongOnEveryHost) {
    const json wall = {
        {"importType", "TYPE_IMPORT"},
        {"constructionType", "WALL"},
        {"uuid", 77},
        {"Name", "Frame"},
        {"layers",
         {{{"layerstyle", "Finish"}, {"thickness", 15}, {"product", Material("Plaster", "p-1")}},
          {{"layerstyle", "Structure"}, {"thickness", 100}, {"product", {{"name", "Board"}}}}}}};
    const std::vector<json> steps = {OpenPalette,
                                     Import(wall),
                                     Place("composite", "Frame", 5, "W-1"),
                                     Place("material", "Plaster", 1, "W-2"),
                                     Export,
                                     {{"step", "delete"}, {"attribute", "Frame"}, {"kind", "composite"}},
                                     Export};
    // The plain host answers the walls' records with their reference to the deleted composite;
    // a host of an odd variance seed refuses to read them.
    for (const std::string options : {"", "--variance 1", "--variance 4"}) {
        Folder folder;
        RunResult r = RunSteps(folder, steps, options);
        ASSERT_EQ(r.exitCode, 0) << options << r.err;
        ASSERT_EQ(r.lines.size(), 7u);
        EXPECT_EQ(Usage(r.lines[4], "Types"), json::parse(R"([["77",1,5.0]])")) << options;
        EXPECT_EQ(Usage(r.lines[4], "Materials"), json::parse(R"([["p-1",2,6.0]])")) << options;
        EXPECT_EQ(r.lines[5]["result"], 0);
        EXPECT_EQ(Usage(r.lines[6], "Types"), json::array()) << options;
        EXPECT_EQ(Usage(r.lines[6], "Materials"), json::parse(R"([["p-1",1,1.0]])"))
            << options << ": the wall's layers went with its composite";
    }
}

TEST(SimhostEditsRun, AnotherProjectHasItsOwnIdentityOverviewAndProducts) {
    Folder folder;
    const json other = {{"format", "simhost-project"},
                        {"version", 1},
                        {"projectInfo", {{"name", "Other"}}},
                        {"autotexts",
                         {{{"name", "QV_GUID"},
                           {"identity", "6b1f0c52-2f4e-4d33-9d0a-7a3f5e1c00aa"},
                           {"value", "other-identity"}}}}};
    std::ofstream(folder / "other.json") << other.dump();
    RunResult r = RunSteps(folder, {OpenPalette,
                                    {{"step", "projectEvent"}, {"code", 4}, {"param", 0}},
                                    Import(Material("Clay", "a-1")),
                                    Place("material", "Clay", 2, "W-1"),
                                    {{"step", "select"}, {"ids", {"W-1"}}},
                                    Overview,
                                    {{"step", "open"}},
                                    Overview,
                                    Overview,
                                    Export,
                                    {{"step", "call"}, {"function", "getRevitSelection"}},
                                    Import(Material("Clay", "a-1")),
                                    {{"step", "state"}},
                                    {{"step", "open"}, {"project", "other.json"}},
                                    Overview,
                                    Export,
                                    {{"step", "open"}, {"project", "missing.json"}},
                                    {{"step", "state"}}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 18u);
    const json first = json::parse(r.lines[5]["value"].get<std::string>());
    EXPECT_EQ(r.lines[6], json::parse(R"({"step":"open","result":0,"events":[{"event":32,"result":0},
                                                                               {"event":1,"result":0}]})"));
    ASSERT_NE(r.lines[7]["value"], "") << "the new project's overview is answered";
    const json second = json::parse(r.lines[7]["value"].get<std::string>());
    EXPECT_EQ(second["name"], "n\\a");
    EXPECT_FALSE(second["project_guid"].get<std::string>().empty());
    EXPECT_NE(second["project_guid"], first["project_guid"]) << "the new project has its own identity";
    EXPECT_EQ(r.lines[8]["value"], "") << "once";
    const json exported = json::parse(r.lines[9]["value"].get<std::string>());
    EXPECT_EQ(exported["ImportedData"]["Materials"], json::array());
    EXPECT_EQ(exported["Overview"]["project_guid"], second["project_guid"]);
    EXPECT_EQ(r.lines[10]["value"], "[]");
    EXPECT_EQ(Identifiers(r.lines[12]).at("Clay"), "QV_001") << "the first project's materials do not count";
    EXPECT_EQ(r.lines[13]["events"][1]["event"], 4);
    const json third = json::parse(r.lines[14]["value"].get<std::string>());
    EXPECT_EQ(third["name"], "Other");
    EXPECT_EQ(third["project_guid"], "other-identity");
    EXPECT_EQ(json::parse(r.lines[15]["value"].get<std::string>())["Overview"]["project_guid"],
              "other-identity");
    EXPECT_NE(r.lines[16]["error"].get<std::string>().find("missing.json"), std::string::npos) << r.lines[16];
    EXPECT_EQ(r.lines[17]["project"]["projectInfo"]["name"], "Other")
        << "a file that cannot be read opens nothing";
}

TEST(SimhostEditsRun, ARemovedLibrarysTaggedPartsLeaveTheUsage) {
    Folder folder;
    fs::create_directories(folder.path / "files");
    std::ofstream(folder / "files/f-1")
        << R"({"format":"simhost-libpart","version":1,"a":0.5,"b":0.5,"parameters":[],"sections":[]})";
    const json chair = {{"importType", "FAMILY_IMPORT"},
                        {"name", "Chair"},
                        {"uuid", "chair-1"},
                        {"fileForImportUuid", "f-1"},
                        {"fileForImportContentType", "model/GSM"}};
    const json generated = {{"importType", "GENERIC_GEOMETRY_IMPORT"},
                            {"name", "Block"},
                            {"uuid", "block-1"},
                            {"fileForImportUuid", "none"},
                            {"fileForImportContentType", "model/GSM"},
                            {"propertySets", json::array()}};
    const json object = {{"step", "place"}, {"type", "object"}, {"libraryPart", "Chair"}, {"area", 0}};
    RunResult r = RunSteps(folder,
                           {OpenPalette,
                            Import(chair),
                            Import(generated),
                            object,
                            Export,
                            {{"step", "deleteLibraryPart"}, {"name", "Block"}},
                            Export,
                            {{"step", "removeLibrary"}, {"name", "Quorvel"}},
                            Export,
                            {{"step", "state"}}},
                           "--files " + (folder / "files"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 10u);
    EXPECT_EQ(Usage(r.lines[4], "Families"), json::parse(R"([["chair-1",1,0.0],["block-1",0,0.0]])"));
    EXPECT_EQ(r.lines[5]["result"], 0);
    EXPECT_EQ(Usage(r.lines[6], "Families"), json::parse(R"([["chair-1",1,0.0]])"));
    EXPECT_EQ(r.lines[7]["result"], 0);
    EXPECT_EQ(Usage(r.lines[8], "Families"), json::array());
    EXPECT_EQ(r.lines[9]["project"]["elements"].size(), 1u) << "the object stays, its part missing";
}

TEST(SimhostEditsRun, AVaryingHostGetsTheSameAnswersFromTheAddOn) {
    const fs::path demo = fs::path(SOURCE_ROOT) / "demo";
    std::vector<json> steps = {OpenPalette, {{"step", "projectEvent"}, {"code", 1}, {"param", 0}}, Overview};
    for (const auto& entry : fs::directory_iterator(demo / "catalogue"))
        steps.push_back({{"step", "call"}, {"function", "import"}, {"argFile", entry.path().string()}});
    std::sort(steps.begin() + 3, steps.end(),
              [](const json& a, const json& b) { return a.dump() < b.dump(); });
    for (const json& s :
         {Place("material", "Quorvel Clay Plaster", 3, "W-1"),
          Place("composite", "Quorvel Timber Frame Wall", 12.5, "W-2"),
          json{{"step", "place"},
               {"type", "object"},
               {"libraryPart", "Quorvel Oak Window"},
               {"area", 0},
               {"id", "O-1"}},
          Export, json{{"step", "delete"}, {"attribute", "Quorvel Timber Frame Wall"}, {"kind", "composite"}},
          json{{"step", "select"}, {"ids", {"W-1", "O-1"}}},
          json{{"step", "call"}, {"function", "getRevitSelection"}}, Export, Overview})
        steps.push_back(s);
    // What the page sees: every call's value or error, GUIDs aside.
    auto answers = [&](const std::string& options) {
        Folder folder;
        RunResult r = RunSteps(folder, steps, "--files " + (demo / "files").string() + " " + options);
        EXPECT_EQ(r.exitCode, 0) << options << r.err;
        const std::regex guid("[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}");
        std::vector<std::string> seen;
        for (const auto& line : r.lines)
            if (line["step"] == "call")
                seen.push_back(std::regex_replace(line.dump(), guid, "<guid>"));
        return seen;
    };
    const std::vector<std::string> plain = answers("");
    ASSERT_EQ(plain.size(), 12u);
    for (const char* seed : {"1", "2", "77"})
        EXPECT_EQ(answers(std::string("--variance ") + seed), plain) << "seed " << seed;
}
