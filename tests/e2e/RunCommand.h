#pragma once

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace testing_support {

struct CommandOutput {
    int exitCode = -1; // -1 when the command did not exit normally
    std::string out;
};

// Runs a shell command and collects its standard output.
inline CommandOutput RunCommand(const std::string& command) {
    CommandOutput o;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return o;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        o.out.append(buffer, n);
    int status = pclose(pipe);
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

// What `simhost run` printed: one JSON value per line, and its standard error.
struct RunResult {
    int exitCode = -1;
    std::vector<nlohmann::json> lines;
    std::string err;
};

// `simhost run` of the script (written to a new file in `folder`, where relative paths of the
// script resolve) with the options, after the environment assignments given.
inline RunResult RunSimhostScript(const std::filesystem::path& folder, const std::string& script,
                                  const std::string& options = "", const std::string& environment = "") {
    static int counter = 0;
    const std::filesystem::path file = folder / ("script" + std::to_string(++counter) + ".jsonl");
    std::ofstream(file, std::ios::binary) << script;
    const std::filesystem::path err = folder / "stderr.txt";
    CommandOutput output = RunCommand(environment + " " + std::string(SIMHOST_PATH) + " run " +
                                      file.string() + " " + options + " 2>" + err.string());
    RunResult r;
    r.exitCode = output.exitCode;
    std::istringstream lines(output.out);
    for (std::string line; std::getline(lines, line);)
        r.lines.push_back(nlohmann::json::parse(line));
    std::ifstream e(err);
    r.err.assign(std::istreambuf_iterator<char>(e), {});
    return r;
}

} // namespace testing_support
