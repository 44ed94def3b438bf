// The standard session, clean and then once per host operation the add-on calls with that
// operation's slot empty or the operation failing, once per host call with that call failing
// alone, and once per allocation (of the host's memory manager, and of the program while the
// add-on's code runs) with that allocation failing. After each failure the project must save,
// reopen and take the next import.
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "runtime/AllocationFaults.h"
#include "runtime/Contracts.h"
#include "validate/AddOnSession.h"
#include "validate/Checks.h"
#include "validate/ChildProcess.h"
#include "validate/EventSweep.h"
#include "validate/SweepTally.h"
#include "validate/Validator.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <set>

namespace simhost::validate {

using nlohmann::json;

namespace {

// What a clean standard session did, measured in a child of its own.
struct Baseline {
    CheckResult result;                       // crashed, timed out, failed or skipped: the sweep stops there
    std::vector<std::string> operations;      // every operation and selector the add-on called
    UInt64 allocations = 0;                   // of the host's memory manager
    UInt64 calls = 0;                         // host calls, a selector request once
    std::optional<UInt64> programAllocations; // while the add-on's code ran, when the program sees them
};

// The standard session under `faults`; with `checkWhole` the project must then save, reopen and
// take the next import.
CheckResult StandardSession(const Options& options, const std::function<void(Host&)>& faults, bool checkWhole,
                            json* measured = nullptr) {
    AddOnSession s(options);
    if (measured != nullptr)
        allocations::Start();
    bool scriptObject = s.RunStandardSession(faults);
    UInt64 programAllocations = allocations::Count();
    allocations::Stop();
    if (s.started && !scriptObject && !faults) {
        s.Finish();
        return s.EndedEarly(Outcome::Skipped, NoScriptObject);
    }
    BM::ClearFailures();
    if (measured != nullptr) {
        json ops = json::array();
        for (const auto& [name, n] : s.host.counters.All())
            ops.push_back(name.Text());
        *measured = {{"operations", ops},
                     {"allocations", BM::AllocationCount()},
                     {"calls", s.host.faults.Calls()},
                     {"programAllocations", allocations::Seen() ? json(programAllocations) : json(nullptr)}};
    }
    if (checkWhole)
        s.CheckProjectStillWhole();
    s.Finish();
    CheckResult r = FromProblems(s.problems, "the standard session");
    if (!s.lifecycle.completed && s.problems.empty())
        r.detail = "the add-on refused to start: " + s.lifecycle.failedStep + " answered " +
                   std::to_string(s.lifecycle.code);
    return r;
}

Baseline MeasureBaseline(CheckContext& c) {
    Baseline b;
    b.result = c.Isolated("the clean standard session", [&] {
        json measured;
        CheckResult r = StandardSession(c.options, nullptr, false, &measured);
        if (r.outcome == Outcome::Passed)
            r.data = measured;
        return r;
    });
    if (b.result.outcome == Outcome::Passed) {
        const json& d = b.result.data;
        for (const auto& op : d.at("operations"))
            b.operations.push_back(op.get<std::string>());
        b.allocations = d.at("allocations").get<UInt64>();
        b.calls = d.at("calls").get<UInt64>();
        if (!d.at("programAllocations").is_null())
            b.programAllocations = d.at("programAllocations").get<UInt64>();
    } else if (b.result.outcome != Outcome::Skipped) {
        b.result.detail = "the clean standard session " + std::string(OutcomeText(b.result.outcome)) + ": " +
                          b.result.detail;
    }
    return b;
}

struct Variant {
    std::string name;
    std::function<void(Host&)> faults;
};

// Runs every variant from the start in a child of its own, as many side by side as the run's
// jobs; each is counted in `tally`. Answers each variant's outcome by name.
json Sweep(CheckContext& c, const std::vector<Variant>& variants, bool checkWhole, SweepTally& tally) {
    json outcomes = json::object();
    Children children;
    std::map<int, std::pair<size_t, std::chrono::steady_clock::time_point>> running;
    size_t next = 0;
    const size_t jobs = size_t(std::max(1, c.options.jobs));
    while (next < variants.size() || children.Running() > 0) {
        while (next < variants.size() && children.Running() < jobs) {
            const Variant& v = variants[next];
            c.Progress("variant " + std::to_string(next + 1) + " of " + std::to_string(variants.size()) +
                       ": " + v.name);
            int child =
                children.Spawn([&] { return StandardSession(c.options, v.faults, checkWhole); }, false);
            running[child] = {next++, std::chrono::steady_clock::now()};
        }
        auto [child, r] =
            children.WaitAny(c.options.timeout, [&c](int, const std::string& p) { c.Progress(p); });
        auto [index, start] = running.at(child);
        running.erase(child);
        const std::string& name = variants[index].name;
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        Outcome counted = tally.Add(name, r, seconds);
        outcomes[name] = OutcomeText(counted == Outcome::Skipped ? Outcome::Passed : counted);
        c.Progress(name + ": " + OutcomeText(r.outcome));
    }
    return outcomes;
}

} // namespace

CheckResult StandardSessionCheck(CheckContext& c) {
    AddOnSession s(c.options);
    if (auto stopped = s.StartWithPalette())
        return *stopped;
    s.RunStandardSteps();
    // Every step of the clean session is one the host carries out.
    for (const auto& line : s.lines)
        if (line.value("hostSide", false))
            s.problems.push_back("step " + line.value("step", "") +
                                 " could not be carried out: " + line.value("error", ""));
    for (const auto& line : s.lines)
        if (line.value("step", "") == "call" && line.value("function", "") == "import") {
            if (line.contains("error")) {
                s.problems.push_back("a sample import answered the script error " +
                                     line["error"].get<std::string>());
                continue;
            }
            json answer = json::parse(line.value("value", std::string()), nullptr, false);
            if (!answer.is_object() || !answer.contains("Success"))
                s.problems.push_back("a sample import answered " + line["value"].dump() +
                                     ", not a result record");
        }
    // The page asked for the wall to be added to the selection; the command posted for it is
    // delivered at idle.
    std::string wall;
    for (const auto& line : s.lines)
        if (line.value("step", "") == "place" && line.contains("guid"))
            wall = line["guid"].get<std::string>();
    bool selected = false;
    for (const auto& g : s.host.project.selection.guids)
        selected = selected || g.ToString() == wall;
    if (!wall.empty() && !selected)
        s.problems.push_back("the select command delivered at idle left the wall " + wall + " unselected");
    s.Finish();
    CheckResult r = FromProblems(s.problems, "the standard session");
    r.data = {{"lines", s.lines}};
    return r;
}

// The sweeps' variants run in forked children, each from the clean session's state at its event:
// where the system cannot fork (Windows), they are skipped, saying so.
std::optional<CheckResult> NeedsFork() {
    if (CanFork())
        return std::nullopt;
    return CheckResult{Outcome::Skipped,
                       "its variants run in child processes forked from the running session, and this system "
                       "cannot fork (the Linux build runs it)",
                       {},
                       {},
                       {}};
}

CheckResult EmptySlotSweep(CheckContext& c) {
    if (auto skipped = NeedsFork())
        return *skipped;
    Baseline b = MeasureBaseline(c);
    if (b.result.outcome != Outcome::Passed)
        return b.result;
    std::set<std::string> slots;
    for (const auto& op : b.operations)
        slots.insert(op.substr(0, op.find('.'))); // a selector request has one slot for all its selectors
    std::vector<Variant> variants;
    for (const auto& name : slots) {
        OperationName op = *ParseOperationName(name);
        variants.push_back({"slot " + name + " empty", [op](Host& h) { h.EmptySlot(op.op); }});
    }
    SweepTally tally;
    json outcomes = Sweep(c, variants, false, tally);
    return tally.Result(
        {{"operations", std::vector<std::string>(slots.begin(), slots.end())}, {"variants", outcomes}});
}

CheckResult FailureSweep(CheckContext& c) {
    if (auto skipped = NeedsFork())
        return *skipped;
    Baseline b = MeasureBaseline(c);
    if (b.result.outcome != Outcome::Passed)
        return b.result;
    // Each operation fails with every code its contract names, each a variant.
    std::vector<Variant> variants;
    json perCode = json::object();
    for (const auto& name : b.operations) {
        OperationName op = *ParseOperationName(name);
        for (const auto& [code, codeName] : FailureCodes(op)) {
            variants.push_back(
                {name + " failing with " + codeName, [op, code = code](Host& h) { h.faults.Set(op, code); }});
            Count(perCode, codeName, 1);
        }
    }
    SweepTally tally;
    json outcomes = Sweep(c, variants, true, tally);
    json calls = SweepEvents(c, SweptEvent::HostCall, EventsToFail(b.calls, c.options.full, c.random), tally);
    calls["calls"] = b.calls;
    const json perCallCodes = calls.value("perCode", json::object());
    for (const auto& [codeName, n] : perCallCodes.items())
        Count(perCode, codeName, n.get<int>());
    CheckResult r = tally.Result({{"operations", b.operations},
                                  {"variants", outcomes},
                                  {"perCall", calls},
                                  {"variantsPerCode", perCode}});
    std::string byCode;
    for (const auto& [codeName, n] : perCode.items())
        byCode += (byCode.empty() ? "" : ", ") + codeName + " " + n.dump();
    r.detail = std::to_string(b.operations.size()) + " operations and " + calls.value("met", json(0)).dump() +
               " of " + std::to_string(b.calls) +
               " calls failing with their contracts' codes (variants per code: " + byCode + "); " + r.detail;
    return r;
}

CheckResult MemorySweep(CheckContext& c) {
    if (auto skipped = NeedsFork())
        return *skipped;
    Baseline b = MeasureBaseline(c);
    if (b.result.outcome != Outcome::Passed)
        return b.result;
    std::vector<Variant> variants;
    std::vector<UInt64> ks = EventsToFail(b.allocations, c.options.full, c.random);
    for (UInt64 k : ks)
        variants.push_back({"host memory manager's allocation " + std::to_string(k) + " failing",
                            [k](Host&) { BM::FailAllocations(k - 1, 1); }});
    SweepTally tally;
    json outcomes = Sweep(c, variants, true, tally);
    json program = nullptr;
    if (b.programAllocations) {
        program = SweepEvents(c, SweptEvent::Allocation,
                              EventsToFail(*b.programAllocations, c.options.full, c.random), tally);
        program["allocations"] = *b.programAllocations;
    }
    CheckResult r = tally.Result({{"allocations", b.allocations},
                                  {"failed", ks},
                                  {"variants", outcomes},
                                  {"program", program},
                                  {"leakChecker", HasLeakChecker()}});
    r.detail =
        std::to_string(ks.size()) + " of " + std::to_string(b.allocations) +
        " host memory manager allocations and " +
        (b.programAllocations ? program.value("run", json(0)).dump() + " of " +
                                    std::to_string(*b.programAllocations) + " program allocations"
                              : std::string("no program allocations (this program does not see them)")) +
        " failing; " + r.detail;
    return r;
}

} // namespace simhost::validate
