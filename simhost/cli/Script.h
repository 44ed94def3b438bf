#pragma once

#include "runtime/Host.h"
#include "runtime/Session.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>

namespace DG {
class Palette;
class BrowserBase;
} // namespace DG

namespace simhost {

// A script line that is not a well-formed step: the run stops with exit code 2.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A well-formed step that cannot be carried out: printed as its "error", the run goes on.
class StepError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct StepContext {
    Host& host;
    Session& session;
    std::filesystem::path scriptFolder;
};

// Carries out one step and answers the fields it prints besides "step".
using StepFunction = nlohmann::json (*)(StepContext& context, const nlohmann::json& step);
bool RegisterStep(const char* name, StepFunction function);
bool IsStep(const std::string& name);
// Carries out one step object as `run` does and answers the line it prints. A malformed step
// raises ScriptError; a step that cannot be carried out raises StepError; whatever else leaves a
// step (the add-on's handlers included) passes through.
nlohmann::json RunStep(StepContext& context, const nlohmann::json& step);

// Field access that raises ScriptError for a missing or mistyped field.
const nlohmann::json& Field(const nlohmann::json& step, const char* name);
std::string TextField(const nlohmann::json& step, const char* name);
Int64 IntegerField(const nlohmann::json& step, const char* name);

struct RunOptions {
    std::string script;
    std::string project;
    std::string save;
    std::string addOn;
    std::string filesFolder;
    std::string debugLog;
    HostCosts costs;                // --host-cost
    std::optional<UInt64> variance; // --variance
};

// `simhost run`: loads the add-on, runs its lifecycle, runs the script's steps printing one JSON
// line each to `out`, then frees and unloads. Answers the exit code.
int RunScript(const RunOptions& options, std::ostream& out, std::ostream& err);

} // namespace simhost
