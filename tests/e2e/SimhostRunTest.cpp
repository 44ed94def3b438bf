// `simhost run` as a user runs it: a script file in, one JSON line per step out.
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

RunResult RunSimhost(const std::string& script, const std::string& options = "") {
    return testing_support::RunSimhostScript(testing_support::ProgramTempFolder(), script, options);
}

} // namespace

TEST(SimhostRun, PrintsOneLinePerStepInOrder) {
    RunResult r = RunSimhost(R"(# the add-on sees a project load
{"step":"projectEvent","code":1,"param":77}

{"step":"debugLog"}
{"step":"menuFlags","menu":32500,"item":1}
{"step":"menu","menu":32500,"item":2}
{"step":"paletteMessage","code":7}
{"step":"language","code":"GER"}
{"step":"projectInfo","name":"Haus","author":"A. Meier"}
{"step":"state"}
)");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 8u);
    EXPECT_EQ(r.lines[0], json::parse(R"({"step":"projectEvent","result":0})"));
    EXPECT_EQ(r.lines[1]["lines"].back(), "77");
    EXPECT_EQ(r.lines[2], json::parse(R"({"step":"menuFlags","flags":0})"));
    EXPECT_EQ(r.lines[3], json::parse(R"({"step":"menu","result":0})"));
    EXPECT_EQ(r.lines[4], json::parse(R"({"step":"paletteMessage","result":0,"answer":false})"));
    EXPECT_EQ(r.lines[5], json::parse(R"({"step":"language"})"));
    EXPECT_EQ(r.lines[7]["project"]["projectInfo"]["name"], "Haus");
    EXPECT_EQ(r.lines[7]["project"]["projectInfo"]["author"], "A. Meier");
}

// The add-on asks to stay loaded only when its palette opens: until then the host unloads it
// between steps and loads it again, through InitializeAddOn, for the menu command.
TEST(SimhostRun, FaultsCountersAndUnload) {
    RunResult r = RunSimhost(R"({"step":"counters","reset":true}
{"step":"fail","operation":"CatchProjectEvents","code":2164654081}
{"step":"counters"}
{"step":"menu","menu":32500,"item":1}
{"step":"menu","menu":32500,"item":1}
{"step":"reports"}
)");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 6u);
    EXPECT_EQ(r.lines[0]["counts"]["RegisterMenu"], 1);
    EXPECT_EQ(r.lines[0]["counts"]["CatchProjectEvents"], 1);
    EXPECT_EQ(r.lines[2]["counts"], json::object()) << "reset after printing";
    EXPECT_EQ(r.lines[3]["error"], "the add-on could not be loaded again: InitializeAddOn answered " +
                                       std::to_string(std::int32_t(2164654081u)));
    EXPECT_EQ(r.lines[4]["error"], "the add-on is not loaded") << "a step that cannot be carried out";
    EXPECT_EQ(r.lines[5]["lines"], json::array());

    RunResult kept = RunSimhost(R"({"step":"menu","menu":32500,"item":1}
{"step":"unload","free":false}
{"step":"menu","menu":32500,"item":1}
)");
    ASSERT_EQ(kept.exitCode, 0) << kept.err;
    ASSERT_EQ(kept.lines.size(), 3u);
    ASSERT_EQ(kept.lines[1]["debugLines"].size(), 1u) << "the palette keeps the add-on loaded";
    EXPECT_EQ(kept.lines[1]["debugLines"][0].get<std::string>().rfind("Abnormal add-on termination (\"", 0),
              0u);
    EXPECT_EQ(kept.lines[2]["error"], "the add-on is not loaded") << "unloaded by the user: gone for good";
}

TEST(SimhostRun, MalformedLinesStopTheRunNamingTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"{\"step\":\"state\"}\n{\"step\":\"nonsense\"}\n", ":2: unknown step \"nonsense\""},
        {"{\"step\":\"state\"}\n\n{bad json\n", ":3: not valid JSON"},
        {"{\"step\":\"state\"}\n{\"step\":\"projectEvent\"}\n", ":2: missing field \"code\""},
        {"{\"step\":\"fail\",\"operation\":\"NoSuchOp\",\"code\":1}\n", ":1: unknown operation \"NoSuchOp\""},
        {"[1,2]\n", ":1: a step is an object"},
        // A number too large for a double: the JSON library's out-of-range error, not a parse error.
        {"{\"step\":\"state\",\"n\":1e400}\n", ":1: not valid JSON"},
    };
    for (const auto& [script, message] : cases) {
        RunResult r = RunSimhost(script);
        EXPECT_EQ(r.exitCode, 2) << script;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

// The host starts with a new empty project; --project opens the file in its place, sending the
// add-on the close event and the open event (its handler writes each parameter, 0).
TEST(SimhostRun, OpensAndSavesProjectFiles) {
    fs::path saved = testing_support::ProgramTempFolder() / "saved.json";
    RunResult first = RunSimhost(R"({"step":"projectInfo","name":"Saved"}
{"step":"debugLog"})",
                                 "--save " + saved.string());
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.lines[1]["lines"], json::array()) << "no project was opened";
    RunResult second = RunSimhost(R"({"step":"state"}
{"step":"debugLog"})",
                                  "--project " + saved.string());
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.lines[0]["project"]["projectInfo"]["name"], "Saved");
    EXPECT_EQ(second.lines[1]["lines"], json::parse(R"(["0","0"])"));

    fs::path bad = testing_support::ProgramTempFolder() / "bad.json";
    std::ofstream(bad) << R"({"format":"simhost-project","version":9})";
    RunResult refused = RunSimhost(R"({"step":"state"})", "--project " + bad.string());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(bad.string() + ": unsupported project file version 9"), std::string::npos)
        << refused.err;
}

TEST(SimhostRun, ThePageTalksToTheAddOnThroughThePalette) {
    fs::path product = testing_support::ProgramTempFolder() / "clay.json";
    std::ofstream(product)
        << R"({"importType":"MATERIAL_IMPORT","name":"Clay","uuid":"c-1","supplier":{"name":"S"}})";
    RunResult r = RunSimhost(R"({"step":"call","function":"getPluginVersion"}
{"step":"menu","menu":32500,"item":1}
{"step":"palette"}
{"step":"resizePalette","dx":30,"dy":-10}
{"step":"call","function":"getPluginVersion","arg":12}
{"step":"call","function":"import","argFile":"clay.json"}
{"step":"call","function":"import","arg":"{not json"}
{"step":"call","function":"export","argJson":"PROJECT_INFO"}
{"step":"call","function":"export","arg":"PROJECT_INFO"}
{"step":"place","type":"wall","attribute":"Clay","kind":"material","area":2.5,"id":"W-1"}
{"step":"place","type":"slab","attribute":"Nothing","kind":"material","area":1}
{"step":"select","ids":["W-1"]}
{"step":"call","function":"getRevitSelection"}
{"step":"call","function":"AddElementToSelection","argElement":"W-1"}
{"step":"selection"}
{"step":"idle"}
{"step":"closePalette"}
{"step":"call","function":"getPluginVersion"}
{"step":"menu","menu":32500,"item":1}
{"step":"palette"}
{"step":"empty","operation":"GetElementQuantities"}
{"step":"call","function":"export","arg":"PROJECT_INFO"}
)");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 22u);
    EXPECT_EQ(r.lines[0]["error"], "no palette is open");
    const json& opened = r.lines[2]["palette"];
    EXPECT_EQ(opened["visible"], true);
    EXPECT_EQ(opened["title"], "Quorvel");
    EXPECT_EQ(opened["size"], json::parse("[450,150]"));
    EXPECT_EQ(opened["browser"]["address"], "https://app.quorvel.com");
    EXPECT_EQ(opened["browser"]["loads"], 1);
    EXPECT_EQ(r.lines[3]["palette"]["browser"]["size"], json::parse("[480,140]"));
    EXPECT_EQ(r.lines[4]["value"],
              R"({"version_number":"0.0.5", "platform_id": 1, "platform_version_number": 23})");
    EXPECT_EQ(json::parse(r.lines[5]["value"].get<std::string>())["Success"], true);
    EXPECT_NE(r.lines[6]["error"].get<std::string>().find("parse error"), std::string::npos);
    EXPECT_EQ(r.lines[7]["value"], false) << "argJson passes the quoted text, which is no export kind";
    json info = json::parse(r.lines[8]["value"].get<std::string>());
    EXPECT_EQ(info["ImportedData"]["Materials"][0]["Uuid"], "c-1");
    EXPECT_TRUE(r.lines[9].contains("guid"));
    EXPECT_TRUE(r.lines[10].contains("error")) << "no attribute of that name";
    std::string wall = r.lines[9]["guid"];
    EXPECT_EQ(r.lines[11]["guids"], json::array({wall}));
    json selection = json::parse(r.lines[12]["value"].get<std::string>());
    ASSERT_EQ(selection.size(), 1u);
    EXPECT_EQ(selection[0]["type"], "Wall");
    EXPECT_EQ(r.lines[13]["value"], true);
    EXPECT_EQ(r.lines[14]["guids"], json::array({wall})) << "nothing happens before the event loop runs";
    ASSERT_EQ(r.lines[15]["delivered"].size(), 1u);
    EXPECT_EQ(r.lines[15]["delivered"][0]["result"], 0);
    EXPECT_EQ(r.lines[16]["palette"]["visible"], false);
    EXPECT_EQ(r.lines[17]["error"], "no palette is open");
    EXPECT_EQ(r.lines[19]["palette"]["visible"], true);
    EXPECT_EQ(r.lines[19]["palette"]["browser"]["loads"], 1) << "the same page, not loaded again";
    json withoutQuantities = json::parse(r.lines[21]["value"].get<std::string>());
    EXPECT_EQ(withoutQuantities["ImportedData"]["Materials"][0]["NumOfElements"], 0)
        << "an element whose quantities cannot be had counts for nothing";
}

TEST(SimhostRun, PlacesElementsMadeOfCompositesOrMaterials) {
    const std::string g1 = "11111111-1111-1111-1111-111111111111",
                      g2 = "22222222-2222-2222-2222-222222222222",
                      g3 = "33333333-3333-3333-3333-333333333333",
                      g4 = "44444444-4444-4444-4444-444444444444";
    const json project = {
        {"format", "simhost-project"},
        {"version", 1},
        {"attributes",
         {{"buildingMaterials", {{{"guid", g1}, {"name", "Brick"}}, {{"guid", g2}, {"name", "Wool"}}}},
          {"composites",
           {{{"guid", g3},
             {"name", "Outer wall"},
             {"structureKind", 1},
             {"totalThickness", 0.15},
             {"skins",
              {{{"buildingMaterial", 1}, {"thickness", 0.1}},
               {{"buildingMaterial", 2}, {"thickness", 0.05}}}},
             {"lines", {json::object(), json::object(), json::object()}},
             {"userData", {{"version", 0}, {"platformSign", 0x5757}, {"texts", {"12", "Q7_QV_UUID"}}}}},
            {{"guid", g4},
             {"name", "Ceiling"},
             {"structureKind", 4},
             {"skins", {{{"buildingMaterial", 2}, {"thickness", 0.02}}}},
             {"lines", {json::object(), json::object()}}}}}}}};
    fs::path file = testing_support::ProgramTempFolder() / "composites.json";
    std::ofstream(file) << project.dump();
    fs::path saved = testing_support::ProgramTempFolder() / "composites-saved.json";
    RunResult r =
        RunSimhost(R"({"step":"place","type":"wall","attribute":"Outer wall","kind":"composite","area":7.5}
{"step":"place","type":"roof","attribute":"Ceiling","kind":"composite","area":2,"id":"C-1"}
{"step":"place","type":"slab","attribute":"Outer wall","kind":"composite","area":1}
{"step":"place","type":"wall","attribute":"Nowhere","kind":"composite","area":1}
{"step":"place","type":"wall","attribute":"Brick","kind":"material","area":1}
{"step":"state"}
)",
                   "--project " + file.string() + " --save " + saved.string());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 6u);
    EXPECT_TRUE(r.lines[0].contains("guid")) << r.lines[0];
    EXPECT_TRUE(r.lines[1].contains("guid")) << r.lines[1];
    EXPECT_EQ(r.lines[2]["error"], "composite \"Outer wall\" is not made for Slab elements");
    EXPECT_EQ(r.lines[3]["error"], "no composite is named \"Nowhere\"");
    const json& elements = r.lines[5]["project"]["elements"];
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0]["wallAttribute"], 1);
    EXPECT_EQ(elements[0]["structure"], "composite");
    EXPECT_EQ(elements[1]["roofAttribute"], 2);
    EXPECT_EQ(elements[1]["wallAttribute"], 0);
    EXPECT_EQ(elements[1]["structure"], "composite");
    EXPECT_EQ(elements[2]["wallAttribute"], 1);
    EXPECT_EQ(elements[2]["structure"], "material");
    EXPECT_FALSE(elements[0].contains("composite")) << "the quantities are the host's computation";
    EXPECT_FALSE(elements[0].contains("attributeType")) << "the element record does not hold it";
    const json& composites = r.lines[5]["project"]["attributes"]["composites"];
    ASSERT_EQ(composites.size(), 2u);
    // The file of before held the tag as the texts of its host strings; the host keeps bytes.
    EXPECT_EQ(composites[0]["userData"]["hex"],
              "02000000310032000a000000510037005f00510056005f005500550049004400");

    RunResult again = RunSimhost(R"({"step":"state"})", "--project " + saved.string());
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.lines[0]["project"], r.lines[5]["project"]) << "saved and read back unchanged";
}
