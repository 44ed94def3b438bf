// `simhost run` as a user runs it: a script file in, one JSON line per step out.
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct RunResult {
    int exitCode = -1;
    std::vector<json> lines;
    std::string err;
};

fs::path Folder() {
    static fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / ("simhost-run-test-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return folder;
}

RunResult RunSimhost(const std::string& script, const std::string& options = "") {
    static int counter = 0;
    fs::path file = Folder() / ("script" + std::to_string(++counter) + ".jsonl");
    std::ofstream(file) << script;
    fs::path err = Folder() / "stderr.txt";
    std::string command =
        std::string(SIMHOST_PATH) + " run " + file.string() + " " + options + " 2>" + err.string();
    RunResult r;
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    int status = pclose(pipe);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        r.lines.push_back(json::parse(line));
    std::ifstream e(err);
    r.err.assign(std::istreambuf_iterator<char>(e), {});
    return r;
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

TEST(SimhostRun, FaultsCountersAndUnload) {
    RunResult r = RunSimhost(R"({"step":"counters","reset":true}
{"step":"fail","operation":"CatchProjectEvents","code":2164654081}
{"step":"counters"}
{"step":"unload","free":false}
{"step":"menu","menu":32500,"item":1}
{"step":"reports"}
)");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 6u);
    EXPECT_EQ(r.lines[0]["counts"]["RegisterMenu"], 1);
    EXPECT_EQ(r.lines[0]["counts"]["CatchProjectEvents"], 1);
    EXPECT_EQ(r.lines[2]["counts"], json::object()) << "reset after printing";
    ASSERT_EQ(r.lines[3]["debugLines"].size(), 1u);
    EXPECT_EQ(r.lines[3]["debugLines"][0].get<std::string>().rfind("Abnormal add-on termination (\"", 0), 0u);
    EXPECT_EQ(r.lines[4]["error"], "the add-on is not loaded") << "a step that cannot be carried out";
    EXPECT_EQ(r.lines[5]["lines"], json::array());
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

TEST(SimhostRun, OpensAndSavesProjectFiles) {
    fs::path saved = Folder() / "saved.json";
    RunResult first = RunSimhost(R"({"step":"projectInfo","name":"Saved"})", "--save " + saved.string());
    ASSERT_EQ(first.exitCode, 0) << first.err;
    RunResult second = RunSimhost(R"({"step":"state"})", "--project " + saved.string());
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.lines[0]["project"]["projectInfo"]["name"], "Saved");

    fs::path bad = Folder() / "bad.json";
    std::ofstream(bad) << R"({"format":"simhost-project","version":9})";
    RunResult refused = RunSimhost(R"({"step":"state"})", "--project " + bad.string());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(bad.string() + ": unsupported project file version 9"), std::string::npos)
        << refused.err;
}
