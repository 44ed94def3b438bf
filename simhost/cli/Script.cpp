#include "cli/Script.h"

#include "cli/HostedAddOn.h"
#include "model/Project.h"

#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

namespace simhost {

using nlohmann::json;

namespace {
std::map<std::string, StepFunction>& Steps() {
    static std::map<std::string, StepFunction> steps;
    return steps;
}
} // namespace

bool RegisterStep(const char* name, StepFunction function) {
    Steps()[name] = function;
    return true;
}

bool IsStep(const std::string& name) {
    return Steps().count(name) != 0;
}

json RunStep(StepContext& context, const json& step) {
    if (!step.is_object() || !step.contains("step") || !step.at("step").is_string())
        throw ScriptError("a step is an object with a \"step\" name");
    std::string name = step.at("step").get<std::string>();
    auto function = Steps().find(name);
    if (function == Steps().end())
        throw ScriptError("unknown step \"" + name + "\"");
    json printed = {{"step", name}};
    json fields = function->second(context, step);
    if (fields.is_object())
        printed.update(fields);
    return printed;
}

const json& Field(const json& step, const char* name) {
    if (!step.contains(name))
        throw ScriptError(std::string("missing field \"") + name + "\"");
    return step.at(name);
}

std::string TextField(const json& step, const char* name) {
    const json& f = Field(step, name);
    if (!f.is_string())
        throw ScriptError(std::string("field \"") + name + "\" must be a string");
    return f.get<std::string>();
}

Int64 IntegerField(const json& step, const char* name) {
    const json& f = Field(step, name);
    if (!f.is_number_integer())
        throw ScriptError(std::string("field \"") + name + "\" must be an integer");
    return f.is_number_unsigned() ? Int64(f.get<UInt64>()) : f.get<Int64>();
}

int RunScript(const RunOptions& options, std::ostream& out, std::ostream& err) {
    std::ifstream in(options.script);
    if (!in) {
        err << "simhost: cannot read script " << options.script << "\n";
        return 2;
    }
    // Read and check every line before the add-on runs, so a malformed script does nothing.
    std::vector<std::pair<size_t, json>> steps;
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        json step;
        try {
            step = json::parse(line);
        } catch (const json::exception& e) { // parse errors, and numbers too large for a double
            err << options.script << ":" << number << ": not valid JSON: " << e.what() << "\n";
            return 2;
        }
        if (!step.is_object() || !step.contains("step") || !step.at("step").is_string()) {
            err << options.script << ":" << number << ": a step is an object with a \"step\" name\n";
            return 2;
        }
        if (!IsStep(step.at("step").get<std::string>())) {
            err << options.script << ":" << number << ": unknown step \""
                << step.at("step").get<std::string>() << "\"\n";
            return 2;
        }
        steps.emplace_back(number, std::move(step));
    }

    std::unique_ptr<HostedAddOn> hosted = StartHostedAddOn(
        {options.project, options.addOn, options.filesFolder, options.costs, options.variance}, err);
    if (!hosted)
        return 1;
    Host& host = hosted->host;
    Session& session = hosted->session;

    StepContext context{host, session, std::filesystem::path(options.script).parent_path()};
    int exitCode = 0;
    (void)session.UnloadIfIdle(); // an add-on that did not ask to stay loaded is loaded when needed
    for (const auto& [number, step] : steps) {
        json printed = {{"step", step.at("step")}};
        try {
            printed = RunStep(context, step);
        } catch (const ScriptError& e) {
            err << options.script << ":" << number << ": " << e.what() << "\n";
            exitCode = 2;
            break;
        } catch (const std::exception& e) {
            printed["error"] = e.what();
        }
        out << printed.dump(-1, ' ', false, json::error_handler_t::replace) << "\n" << std::flush;
        (void)session.UnloadIfIdle();
    }
    if (!hosted->End(options.save, options.debugLog, err))
        exitCode = exitCode ? exitCode : 1;
    return exitCode;
}

} // namespace simhost
