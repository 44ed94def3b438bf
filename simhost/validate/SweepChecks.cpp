// The standard session, clean and then once per host operation the add-on calls with that
// operation's slot empty or the operation failing, and once per allocation of the host's memory
// manager with that allocation failing.
#include "gs/MemoryManager.h"
#include "validate/AddOnSession.h"
#include "validate/Validator.h"

#include <algorithm>
#include <set>

namespace simhost::validate {

using nlohmann::json;

namespace {

// What a clean standard session did, measured in a child of its own.
struct Baseline {
    CheckResult result;                  // crashed, timed out, failed or skipped: the sweep stops there
    std::vector<std::string> operations; // every operation and selector the add-on called
    UInt64 allocations = 0;
};

CheckResult StandardSession(const Options& options, const std::function<void(Host&)>& faults, bool checkLeaks,
                            json* measured = nullptr) {
    AddOnSession s(options);
    if (s.Start(faults)) {
        if (!s.OpenPalette() && !faults) {
            s.Finish(checkLeaks);
            return {Outcome::Skipped, NoScriptObject, {}, {}, {}};
        }
        if (s.HasScriptObject())
            s.RunStandardSteps();
    }
    BM::ClearFailures();
    if (measured != nullptr) {
        json ops = json::array();
        for (const auto& [name, n] : s.host.counters.All())
            ops.push_back(name.Text());
        *measured = {{"operations", ops}, {"allocations", BM::AllocationCount()}};
    }
    s.Finish(checkLeaks);
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
        CheckResult r = StandardSession(c.options, nullptr, true, &measured);
        if (r.outcome == Outcome::Passed)
            r.data = measured;
        return r;
    });
    if (b.result.outcome == Outcome::Passed) {
        for (const auto& op : b.result.data.at("operations"))
            b.operations.push_back(op.get<std::string>());
        b.allocations = b.result.data.at("allocations").get<UInt64>();
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

// Runs every variant in a child of its own; the worst outcome is the sweep's.
CheckResult Sweep(CheckContext& c, const std::vector<Variant>& variants, bool checkLeaks, json data) {
    CheckResult sweep;
    json results = json::object();
    std::vector<std::string> faulty;
    int rank = 0;
    auto severity = [](Outcome o) {
        return o == Outcome::Crashed ? 3 : o == Outcome::TimedOut ? 2 : o == Outcome::Failed ? 1 : 0;
    };
    for (const auto& v : variants) {
        CheckResult r = c.Isolated(v.name, [&] { return StandardSession(c.options, v.faults, checkLeaks); });
        if (r.outcome == Outcome::Skipped)
            r.outcome = Outcome::Passed; // a faulty host may keep the palette from opening
        results[v.name] = OutcomeText(r.outcome);
        if (IsFault(r.outcome)) {
            faulty.push_back(v.name + ": " + OutcomeText(r.outcome) +
                             (r.signal.empty() ? "" : " (" + r.signal + ")") + " " + r.detail);
            if (severity(r.outcome) > rank) {
                rank = severity(r.outcome);
                sweep.outcome = r.outcome;
                sweep.signal = r.signal;
                sweep.lastProgress = r.lastProgress;
            }
        }
    }
    data["variants"] = results;
    sweep.data = data;
    if (!faulty.empty()) {
        sweep.detail = std::to_string(faulty.size()) + " of " + std::to_string(variants.size()) + " variants";
        for (size_t i = 0; i < faulty.size() && i < 5; ++i)
            sweep.detail += (i ? "; " : ": ") + faulty[i].substr(0, 600);
    } else {
        sweep.detail = std::to_string(variants.size()) + " variants";
    }
    return sweep;
}

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

CheckResult EmptySlotSweep(CheckContext& c) {
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
    return Sweep(c, variants, true, {{"operations", std::vector<std::string>(slots.begin(), slots.end())}});
}

CheckResult FailureSweep(CheckContext& c) {
    Baseline b = MeasureBaseline(c);
    if (b.result.outcome != Outcome::Passed)
        return b.result;
    std::vector<Variant> variants;
    for (const auto& name : b.operations) {
        OperationName op = *ParseOperationName(name);
        variants.push_back({name + " failing", [op](Host& h) { h.faults.Set(op, ErrGeneral); }});
    }
    return Sweep(c, variants, true, {{"operations", b.operations}});
}

// The allocations to fail: all of them with --full, else the first ones, the last ones and an
// even spread with a seeded jitter between.
std::vector<UInt64> AllocationsToFail(CheckContext& c, UInt64 count) {
    std::vector<UInt64> ks;
    const UInt64 reduced = 24;
    if (c.options.full || count <= reduced) {
        for (UInt64 k = 1; k <= count; ++k)
            ks.push_back(k);
        return ks;
    }
    std::set<UInt64> chosen;
    for (UInt64 k = 1; k <= 6; ++k)
        chosen.insert(k);
    for (UInt64 k = count - 3; k <= count; ++k)
        chosen.insert(k);
    UInt64 step = count / (reduced - 10);
    for (UInt64 k = 7; k < count - 3 && chosen.size() < reduced; k += step)
        chosen.insert(std::min<UInt64>(count - 4, k + c.random() % std::max<UInt64>(1, step)));
    return {chosen.begin(), chosen.end()};
}

CheckResult MemorySweep(CheckContext& c) {
    Baseline b = MeasureBaseline(c);
    if (b.result.outcome != Outcome::Passed)
        return b.result;
    std::vector<Variant> variants;
    std::vector<UInt64> ks = AllocationsToFail(c, b.allocations);
    for (UInt64 k : ks)
        variants.push_back(
            {"allocation " + std::to_string(k) + " failing", [k](Host&) { BM::FailAllocations(k - 1, 1); }});
    return Sweep(c, variants, true,
                 {{"allocations", b.allocations}, {"failed", ks}, {"leakChecker", HasLeakChecker()}});
}

const bool sweepChecksRegistered =
    RegisterCheck(
        {"standard-session",
         "The standard session (palette, one product of every kind, all six script functions, a select "
         "command at idle) runs clean and leaks nothing",
         20, StandardSessionCheck}) &&
    RegisterCheck(
        {"empty-slot-sweep",
         "The standard session once per host operation the add-on calls, with its slot empty: no crash, "
         "every script call answers",
         21, EmptySlotSweep}) &&
    RegisterCheck(
        {"failure-sweep",
         "The standard session once per host operation the add-on calls, with it failing: no crash, "
         "every script call answers",
         22, FailureSweep}) &&
    RegisterCheck(
        {"memory-sweep",
         "The standard session with the host's memory manager failing its k-th allocation, for every k "
         "(--full; else a seeded sample): no crash, no leak",
         23, MemorySweep});

} // namespace
} // namespace simhost::validate
