// `simhost demo` end to end: the bundled catalogue through the built add-on.
#include "e2e/RunCommand.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using Output = testing_support::CommandOutput;

Output RunDemo(const std::string& arguments) {
    std::vector<std::string> command{SIMHOST_PATH, "demo"};
    for (auto& word : testing_support::Words(arguments))
        command.push_back(std::move(word));
    Output o = testing_support::RunCommand(command);
    o.out += o.err;          // what it said on either stream, for the messages
    std::erase(o.out, '\r'); // a Windows program's text lines end in "\r\n"
    return o;
}

// Removes the saved project and the session's user library, which stays with a saved project
// whose libraries lie in it.
void RemoveSaved(const fs::path& saved) {
    // Read and closed before the removal: Windows removes no open file.
    const json project = json::parse(std::ifstream(saved), nullptr, false);
    if (project.is_object())
        for (const auto& library : project.value(json::json_pointer("/libraries/list"), json::array()))
            for (fs::path p = library.value("path", std::string()); p.has_relative_path();
                 p = p.parent_path())
                if (p.filename().string().rfind("simhost-session-", 0) == 0)
                    fs::remove_all(p);
    fs::remove(saved);
}

fs::path Saved(const char* name) {
    return fs::temp_directory_path() /
           (std::string(name) + std::to_string(simhost::sys::ProcessId()) + ".json");
}

json Answer(const json& line) {
    return json::parse(line.at("value").get<std::string>());
}

} // namespace

TEST(Demo, ImportsEveryKindAndReadsTheProjectBack) {
    fs::path saved = Saved("demo-json-");
    Output o = RunDemo("--json --save " + saved.string());
    ASSERT_EQ(o.exitCode, 0) << o.out;
    std::vector<json> lines;
    std::istringstream in(o.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(json::parse(line));

    std::vector<json> imports, selections;
    json info;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error")) << l.dump();
        if (l.value("function", "") == "import")
            imports.push_back(Answer(l));
        if (l.value("function", "") == "getRevitSelection")
            selections.push_back(Answer(l));
        if (l.value("function", "") == "export")
            info = Answer(l);
    }
    ASSERT_EQ(imports.size(), 7u);
    for (const auto& r : imports)
        EXPECT_EQ(r["Success"], true) << r.dump();

    std::map<std::string, std::pair<int, double>> usage;
    for (const char* category : {"Materials", "Types", "Families"})
        for (const auto& u : info["ImportedData"][category])
            usage[u["Uuid"].get<std::string>()] = {u["NumOfElements"].get<int>(),
                                                   u["TotalArea"].get<double>()};
    EXPECT_EQ(info["Overview"]["name"], "Riverside Library");
    EXPECT_EQ(info["ImportedData"]["Types"].size(), 2u);
    EXPECT_EQ(usage["4711"], std::make_pair(2, 20.75)) << "two walls of the wall type";
    EXPECT_EQ(usage["4712"], std::make_pair(1, 42.0)) << "one roof of the ceiling type";
    EXPECT_EQ(usage["b6f0c1e2-5a7d-4c1b-9e3f-0a1b2c3d4e05"].first, 2) << "two windows placed";
    EXPECT_EQ(usage["b6f0c1e2-5a7d-4c1b-9e3f-0a1b2c3d4e07"].first, 1) << "one planter box placed";
    EXPECT_EQ(usage["b6f0c1e2-5a7d-4c1b-9e3f-0a1b2c3d4e01"].first, 3)
        << "the roof and a layer of each timber-frame wall";

    ASSERT_EQ(selections.size(), 2u);
    EXPECT_EQ(selections[0].size(), 2u);
    EXPECT_EQ(selections[1].size(), 3u) << "the window added from the event loop";
    EXPECT_TRUE(fs::exists(saved));
    RemoveSaved(saved);
}

TEST(Demo, TheSummaryShowsTheImportsAndTheUsage) {
    fs::path saved = Saved("demo-summary-");
    Output o = RunDemo("--save " + saved.string());
    ASSERT_EQ(o.exitCode, 0) << o.out;
    for (const char* text : {"Quorvel Timber Frame Wall", "Quorvel Oak Window", "Quorvel Planter Box",
                             "Materials", "Types", "Families", "Project saved to"})
        EXPECT_NE(o.out.find(text), std::string::npos) << text << "\n" << o.out;
    EXPECT_EQ(o.out.find("FAILED"), std::string::npos) << o.out;
    // The usage table names each product beside its uuid, a composite's number and a layer's
    // material among them.
    for (const char* row : {R"(\n  Types +Quorvel Timber Frame Wall +4711 +2 +20\.75\n)",
                            R"(\n  Materials +Quorvel Mineral Wool 035 +b6f0c1e2-[-0-9a-f]+4e01 +3 )",
                            R"(\n  Families +Quorvel Planter Box +b6f0c1e2-[-0-9a-f]+4e07 +1 )"})
        EXPECT_TRUE(std::regex_search(o.out, std::regex(row))) << row << "\n" << o.out;
    RemoveSaved(saved);
}
