// Text that is JSON is UTF-8 whatever the system's character code: products whose texts hold
// German, Russian and Japanese and an emoji, imported through simhost under an ANSI code page
// that holds some of them or none (on Windows Wine takes it from LC_ALL: de_DE 1252, ru_RU 1251,
// ja_JP 932; on Linux the host's code is UTF-8 whatever LC_ALL says), come back exactly: in the
// import results, the selection, the project information, the saved project and the name of the
// downloaded file.
#include "e2e/RunCommand.h"
#include "support/TempFolder.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;
using nlohmann::json;
using testing_support::RunCommand;
using testing_support::TempFolder;
using testing_support::WriteFile;

namespace {

const std::string German = "D\u00E4mmung",
                  Russian = "\u0423\u0442\u0435\u043F\u043B\u0438\u0442\u0435\u043B\u044C",
                  Japanese = "\u65AD\u71B1\u6750", Emoji = "\U0001F9F1";

const std::string MaterialName = German + " " + Emoji, LayerName = Russian + " " + Japanese,
                  CompositeName = "Wand " + Japanese + " " + Emoji,
                  FamilyName = German + " " + Japanese + " " + Emoji,
                  WallId = "W-" + German + "-" + Japanese + "-" + Emoji,
                  ProjectName = "Projekt " + Russian + " " + Japanese + " " + Emoji;

json Call(const std::string& function, const json& argument) {
    return {{"step", "call"}, {"function", function}, {"argJson", argument}};
}

std::string Script(const TempFolder& folder) {
    const json material = {
        {"importType", "MATERIAL_IMPORT"},
        {"uuid", "material-" + German + Emoji},
        {"name", MaterialName},
        {"supplier", {{"name", Russian}}},
        {"propertySets",
         {{{"name", Japanese},
           {"properties",
            {{{"name", German}, {"type", "ValueList"}, {"values", {{{"value", Russian + Emoji}}}}}}}}}}};
    const json composite = {
        {"importType", "TYPE_IMPORT"},
        {"constructionType", "WALL"},
        {"uuid", 4811},
        {"Name", CompositeName},
        {"layers",
         {{{"layerstyle", "Thermal"},
           {"thickness", 100},
           {"product",
            {{"name", LayerName}, {"uuid", "layer-" + Japanese}, {"supplier", {{"name", German}}}}}}}}};
    const json family = {{"importType", "FAMILY_IMPORT"},
                         {"name", FamilyName},
                         {"uuid", "family-" + Russian},
                         {"fileForImportUuid", "f-1"},
                         {"fileForImportContentType", "model/GSM"}};
    const json steps[] = {{{"step", "libraries"}, {"specialFolder", folder / "library"}},
                          {{"step", "projectInfo"}, {"name", ProjectName}},
                          {{"step", "menu"}, {"menu", 32500}, {"item", 1}},
                          Call("import", material),
                          Call("import", composite),
                          Call("import", family),
                          {{"step", "place"},
                           {"type", "wall"},
                           {"attribute", CompositeName},
                           {"kind", "composite"},
                           {"area", 2},
                           {"id", WallId}},
                          {{"step", "place"}, {"type", "object"}, {"libraryPart", FamilyName}, {"area", 1}},
                          {{"step", "select"}, {"ids", {WallId}}},
                          {{"step", "call"}, {"function", "getRevitSelection"}},
                          {{"step", "call"}, {"function", "export"}, {"arg", "PROJECT_INFO"}},
                          {{"step", "state"}}};
    std::string script;
    for (const auto& step : steps)
        script += step.dump() + "\n";
    return script;
}

json Value(const json& line) {
    return json::parse(line.at("value").get<std::string>());
}

} // namespace

TEST(CodePageRun, TextsOutsideTheCodePageComeBackExactly) {
    // The host's default code simhost runs with, as the probe finds it; the test command runs this
    // test under Wine with each of 1252, 1251 and 932, and names the one it set here.
    const auto probe = RunCommand({DEFAULT_CODE_PROBE_PATH});
    const std::string code = probe.out.substr(0, probe.out.find_first_of("\r\n"));
    if (const auto expected = OS::EnvironmentValue("QUORVEL_EXPECTED_CODE")) {
        ASSERT_EQ(code, *expected);
    }
    ASSERT_NE(code.rfind("unknown", 0), 0u) << code;
    std::cout << "the host's default code: " << code << "\n";

    TempFolder folder;
    for (const char* sub : {"files", "temp", "library"})
        fs::create_directories(folder.path / sub);
    WriteFile(folder / "files/f-1",
              R"({"format":"simhost-libpart","version":1,"a":0.5,"b":0.5,"parameters":[],"sections":[]})");
    const auto r = testing_support::RunSimhostScript(
        folder.path, Script(folder), "--files " + (folder / "files"), "TEMP=" + (folder / "temp"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 12u) << r.err;
    for (size_t i : {3, 4, 5}) {
        ASSERT_TRUE(r.lines[i].contains("value")) << r.lines[i];
        EXPECT_EQ(Value(r.lines[i])["Success"], true) << r.lines[i];
    }
    EXPECT_TRUE(fs::is_regular_file(folder.path / simhost::sys::PathFromUtf8("temp/" + FamilyName + ".GSM")))
        << "the family product's file did not arrive under its name";

    ASSERT_TRUE(r.lines[9].contains("value")) << r.lines[9];
    const json selection = Value(r.lines[9]);
    ASSERT_EQ(selection.size(), 1u) << selection;
    EXPECT_EQ(selection[0]["title"], WallId);
    EXPECT_EQ(selection[0]["full_title"], WallId);

    ASSERT_TRUE(r.lines[10].contains("value")) << r.lines[10];
    const json info = Value(r.lines[10]);
    EXPECT_EQ(info["Overview"]["name"], ProjectName) << info;
    for (const auto& [kind, uuid] : {std::pair{"Materials", "layer-" + Japanese},
                                     {"Types", std::string("4811")},
                                     {"Families", "family-" + Russian}}) {
        bool found = false;
        for (const auto& usage : info["ImportedData"][kind])
            found = found || (usage["Uuid"] == uuid && usage["NumOfElements"] == 1);
        EXPECT_TRUE(found) << kind << " lacks " << uuid << " used once: " << info;
    }

    const std::string saved = r.lines[11]["project"].dump();
    for (const std::string& text : {MaterialName, LayerName, CompositeName, FamilyName, WallId, ProjectName,
                                    German, Japanese, Russian + Emoji, "material-" + German + Emoji})
        EXPECT_NE(saved.find(text), std::string::npos) << text << " is not in the project";
}
