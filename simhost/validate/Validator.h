#pragma once

// `simhost validate`'s checks: a registry of id, description and body; each body runs in a child
// process of its own (ChildProcess.h) and answers a result.

#include "runtime/Faults.h"

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

struct Check {
    std::string id;          // kebab-case
    std::string description; // one line
    int order = 0;           // checks are listed and run by order, then id
    CheckBody body;
};
bool RegisterCheck(Check check);
std::vector<const Check*> AllChecks();
bool IsKebabCase(const std::string& id);

// What a check body has at hand inside its child process.
class CheckContext {
public:
    CheckContext(const Options& options, const Check& check);
    const Options& options;
    const Check& check;
    // Seeded from the run's seed and the check's id: a check replays alone as in the whole run.
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
// The checks the expressions select, in run order; std::regex_error for a bad expression.
std::vector<const Check*> Select(const Selection& selection);

} // namespace simhost::validate
