#pragma once

#include "os/Environment.h"
#include "runtime/Process.h"
#include "runtime/System.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct CommandOutput {
    int exitCode = -1; // -1 when the program did not exit by itself
    std::string out;   // its standard output
    std::string err;   // its standard error
};

// The words of `text`, split at blanks (no argument the tests pass holds one).
inline std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// Runs a program (no shell between) with the environment assignments ("NAME=value", blank-separated)
// added to this process's for its run, and collects what it writes.
inline CommandOutput RunCommand(const std::vector<std::string>& arguments,
                                const std::string& environment = "") {
    std::vector<std::pair<std::string, std::optional<std::string>>> earlier;
    for (const auto& assignment : Words(environment)) {
        const std::string name = assignment.substr(0, assignment.find('='));
        earlier.emplace_back(name, OS::EnvironmentValue(name.c_str()));
        (void)OS::SetEnvironmentValue(name.c_str(),
                                      assignment.substr(name.size() + 1)); // only a bad name fails
    }
    CommandOutput o;
    try {
        simhost::ChildProgram program(arguments);
        const auto ending = program.Wait(o.out, o.err);
        o.exitCode = ending.exited ? ending.code : -1;
    } catch (const std::exception& e) {
        o.err = e.what();
    }
    for (const auto& [name, value] : earlier) {
        if (value)
            (void)OS::SetEnvironmentValue(name.c_str(), *value);
        else
            OS::UnsetEnvironmentValue(name.c_str());
    }
    return o;
}

// What `simhost run` printed: one JSON value per line, and its standard error.
struct RunResult {
    int exitCode = -1;
    std::vector<nlohmann::json> lines;
    std::string err;
};

// `simhost run` of the script (written to a new file in `folder`, where relative paths of the
// script resolve) with the options (blank-separated), after the environment assignments given.
inline RunResult RunSimhostScript(const std::filesystem::path& folder, const std::string& script,
                                  const std::string& options = "", const std::string& environment = "") {
    static int counter = 0;
    const std::filesystem::path file = folder / ("script" + std::to_string(++counter) + ".jsonl");
    std::ofstream(file, std::ios::binary) << script;
    std::vector<std::string> arguments{SIMHOST_PATH, "run", simhost::sys::Utf8FromPath(file)};
    for (auto& word : Words(options))
        arguments.push_back(std::move(word));
    CommandOutput output = RunCommand(arguments, environment);
    RunResult r;
    r.exitCode = output.exitCode;
    std::istringstream lines(output.out);
    for (std::string line; std::getline(lines, line);)
        r.lines.push_back(nlohmann::json::parse(line));
    r.err = std::move(output.err);
    return r;
}

} // namespace testing_support
