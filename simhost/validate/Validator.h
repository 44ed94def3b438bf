#pragma once

// `simhost validate`'s checks: the catalogue of Checks.def, each with its body; each body runs in a
// child process of its own (ChildProcess.h) and answers a result.

#include "runtime/HostCosts.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace simhost::validate {

enum class Outcome { Passed, Failed, Crashed, TimedOut, Skipped };
const char* OutcomeText(Outcome outcome);
// Only these make the validator's exit code non-zero.
bool IsFault(Outcome outcome);

struct CheckResult {
    Outcome outcome = Outcome::Passed;
    // Why it failed or was skipped, what crashed; empty when it passed without remarks.
    std::string detail;
    std::string signal;       // crashed: the signal's name (SIGSEGV), also when a sanitizer reported it
    std::string lastProgress; // crashed or timed out: the last thing the check said it was doing
    nlohmann::json data;      // what the check measured (variants run, counts), for the report
};

struct Options {
    std::string addOn;
    std::uint64_t seed = 0;
    double timeout = 60;   // seconds a check (or one variant of a sweep) may go without progress
    double callLimit = 20; // processor seconds one script call may take in the bad-input and fuzz checks
    std::uint64_t memoryLimitMiB = 1024; // growth of the peak memory one script call may cause
    bool full = false;                   // sweeps run every variant instead of a reduced set
    int iterations = 200;                // fuzzing iterations
    int jobs = 2;                        // variants of a sweep run side by side
    HostCosts costs;                     // what each call of an operation costs in the sessions
};

class CheckContext;
using CheckBody = std::function<CheckResult(CheckContext&)>;

// What a check stresses: the host failing, varying or changing around the add-on, or the add-on's
// own entry points and script functions.
enum class Scope { Host, AddOn };
// Whether --full widens the check from a reduced or seeded sample to every variant.
enum class Level { Quick, Full };
const char* ScopeText(Scope scope);
const char* LevelText(Level level);

struct Check {
    std::string id; // kebab-case
    int order = 0;  // checks are listed and run by order, then id
    Scope scope = Scope::AddOn;
    Level level = Level::Quick;
    std::string description; // one line
    CheckBody body;
};
// Every check of Checks.def in run order, a per-script-function one once for each of
// `scriptFunctions` (the add-on's script object's functions, in its order).
std::vector<Check> Catalogue(const std::vector<std::string>& scriptFunctions);
bool IsKebabCase(const std::string& id);
// "getRevitSelection" as "get-revit-selection".
std::string KebabCase(const std::string& name);

// What a check body has at hand inside its child process.
class CheckContext {
public:
    CheckContext(const Options& options, const Check& check);
    const Options& options;
    const Check& check;
    // Seeded with the run's seed XOR the FNV-1a hash (64 bits) of the check's id: a check replays
    // alone as in the whole run, and on every standard library (std::hash differs between them).
    std::mt19937_64 random;

    // Tells the validator the check is alive and what it is doing; the time limit restarts.
    void Progress(const std::string& what);
    // Runs `body` in a child process of its own with the time limit; a crash or hang of it is
    // answered as that outcome, and this process goes on.
    CheckResult Isolated(const std::string& what, const std::function<CheckResult()>& body);
};

struct Selection {
    std::vector<std::string> include; // regular expressions over ids; empty: every check
    std::vector<std::string> exclude;
};
// The checks of `checks` the expressions select, in its order; std::regex_error for a bad expression.
std::vector<const Check*> Select(const std::vector<Check>& checks, const Selection& selection);

} // namespace simhost::validate
