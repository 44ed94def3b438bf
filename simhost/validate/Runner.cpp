#include "validate/Runner.h"

#include "cli/PaletteLookup.h"
#include "os/Environment.h"
#include "os/Module.h"
#include "runtime/Process.h"
#include "runtime/System.h"
#include "validate/AddOnSession.h"
#include "validate/ChildProcess.h"
#include "validate/Report.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <ostream>
#include <random>
#include <regex>

namespace simhost::validate {

using nlohmann::json;

namespace {

// Where the system cannot fork, the check a fresh simhost process runs, and the options, as JSON.
constexpr const char* CheckVariable = "SIMHOST_VALIDATE_CHECK";

json OptionsToJson(const Options& o) {
    return {{"addOn", o.addOn},           {"seed", o.seed},
            {"timeout", o.timeout},       {"callLimit", o.callLimit},
            {"memory", o.memoryLimitMiB}, {"full", o.full},
            {"iterations", o.iterations}, {"jobs", o.jobs},
            {"costs", o.costs.Texts()}};
}

Options OptionsFromJson(const json& j) {
    Options o;
    o.addOn = j.at("addOn").get<std::string>();
    o.seed = j.at("seed").get<std::uint64_t>();
    o.timeout = j.at("timeout").get<double>();
    o.callLimit = j.at("callLimit").get<double>();
    o.memoryLimitMiB = j.at("memory").get<std::uint64_t>();
    o.full = j.at("full").get<bool>();
    o.iterations = j.at("iterations").get<int>();
    o.jobs = j.at("jobs").get<int>();
    for (const auto& text : j.at("costs"))
        o.costs.Parse(text.get<std::string>());
    return o;
}

CheckResult Guarded(const Check& c, const Options& options) {
    try {
        CheckContext context(options, c);
        return c.body(context);
    } catch (const std::exception& e) {
        return {Outcome::Failed, std::string("the check stopped on an exception: ") + e.what(), {}, {}, {}};
    }
}

// The check in a fresh simhost process (where the system cannot fork), watched as a forked child
// is: killed after `timeout` seconds without a sign of progress, and a crash reported as such.
// The child is handed the add-on's script functions, from which it makes the same catalogue.
CheckResult RunInFreshProcess(const Check& c, const std::vector<std::string>& functions,
                              const Options& options,
                              const std::function<void(const std::string&)>& onProgress) {
    const auto start = [&] {
        (void)OS::SetEnvironmentValue(
            CheckVariable,
            json{{"check", c.id}, {"functions", functions}, {"options", OptionsToJson(options)}}.dump());
        // The validator's own program: the module that holds this function.
        const std::string self = OS::ModuleFilePath(reinterpret_cast<const void*>(&RunValidate));
        auto child = std::make_unique<ChildProgram>(std::vector<std::string>{self, "validate"});
        OS::UnsetEnvironmentValue(CheckVariable);
        return child;
    };
    std::unique_ptr<ChildProgram> child;
    try {
        child = start();
    } catch (const std::exception& e) {
        OS::UnsetEnvironmentValue(CheckVariable);
        return {Outcome::Failed, e.what(), {}, {}, {}};
    }
    std::string out, err, lastProgress;
    std::optional<CheckResult> answered;
    auto lastSign = std::chrono::steady_clock::now();
    bool killed = false;
    for (bool open = true; open;) {
        open = child->Read(out, err, 0.2);
        for (size_t nl; (nl = out.find('\n')) != std::string::npos; out.erase(0, nl + 1)) {
            std::string line = out.substr(0, nl);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lastSign = std::chrono::steady_clock::now();
            if (line.rfind("P ", 0) == 0) {
                lastProgress = line.substr(2);
                if (onProgress)
                    onProgress(lastProgress);
            } else if (line.rfind("R ", 0) == 0) {
                const json answer = json::parse(line.substr(2));
                answered = ResultFromJson(answer);
                if (answer.contains("hostCostSpent"))
                    AddToCostAccount(HostCosts::SpentInProcess(), answer["hostCostSpent"]);
            }
        }
        if (!killed && std::chrono::duration<double>(std::chrono::steady_clock::now() - lastSign).count() >
                           options.timeout) {
            child->Kill();
            killed = true;
        }
    }
    const ChildProgram::Ending ending = child->Wait(out, err);
    if (killed) {
        CheckResult r{Outcome::TimedOut,
                      "no progress for " + std::to_string(int(options.timeout)) + " s",
                      {},
                      lastProgress,
                      {}};
        if (!lastProgress.empty())
            r.detail += " while: " + lastProgress;
        return r;
    }
    if (answered && ending.exited && ending.code == 0)
        return *answered;
    CheckResult r{Outcome::Crashed, {}, ending.crash, lastProgress, {}};
    r.detail = ending.exited ? "exited with code " + std::to_string(ending.code) + " without an answer"
                             : "ended by exception " + ending.crash;
    if (!lastProgress.empty())
        r.detail += " (while: " + lastProgress + ")";
    if (err.size() > 8192)
        err.erase(0, err.size() - 8192);
    r.data = {{"stderr", err}};
    return r;
}

// This process is the fresh one a validator started for one check: run it and answer.
[[noreturn]] void RunCheckForParent(const std::string& request) {
    ReportToParent();
    CheckResult r{Outcome::Failed, "no such check", {}, {}, {}};
    try {
        const json j = json::parse(request);
        const Options options = OptionsFromJson(j.at("options"));
        for (const Check& c : Catalogue(j.at("functions").get<std::vector<std::string>>()))
            if (c.id == j.at("check").get<std::string>())
                r = Guarded(c, options);
    } catch (const std::exception& e) {
        r = {Outcome::Failed, std::string("cannot read the check to run: ") + e.what(), {}, {}, {}};
    }
    AnswerAndExit(r);
}

// The functions of the add-on's script object, in the order it has them: the add-on, started in a
// child of its own, is asked, so that a function it adds is validated without a line here. None
// when the add-on does not start or registers no script object; its session checks say why.
std::vector<std::string> ScriptFunctions(const Options& options) {
    CheckResult r = RunInChild(
        [&options] {
            AddOnSession s(options);
            json names = json::array();
            if (!s.StartWithPalette()) {
                for (const auto& object : FindPaletteBrowser(FindAddOnPalette(s.host))->RegisteredObjects())
                    if (object && object->GetName() == GS::UniString(ScriptObjectName))
                        for (const auto& item : object->GetItems())
                            if (auto f = std::dynamic_pointer_cast<DG::JSFunction>(item.Shared()))
                                names.push_back(f->GetName().ToCStr(CC_UTF8));
                s.Finish(false);
            }
            return CheckResult{Outcome::Passed, {}, {}, {}, names};
        },
        options.timeout, true, nullptr);
    std::vector<std::string> names;
    if (r.outcome == Outcome::Passed)
        for (const auto& name : r.data)
            names.push_back(name.get<std::string>());
    return names;
}

// On a terminal, the line of the check running: its id, what it says it is doing (a sweep its
// variant i of n) and the time since it started; erased before the check's own line.
class StatusLine {
public:
    StatusLine(std::ostream& out, bool on) : out(out), on(on) {}
    void Show(const std::string& id, const std::string& what, std::chrono::steady_clock::time_point start) {
        const auto now = std::chrono::steady_clock::now();
        if (!on || (!what.empty() && now - shown < std::chrono::milliseconds(100)))
            return; // a sweep says thousands of things a second: a tenth of them is enough to read
        shown = now;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%6.1f s  ",
                      std::chrono::duration<double>(now - start).count());
        std::string line = seconds + id + (what.empty() ? "" : ": " + OneLine(what));
        if (line.size() > Width)
            line = line.substr(0, Width - 3) + "...";
        out << "\r\033[K" << line << std::flush;
    }
    void Clear() {
        if (on)
            out << "\r\033[K";
    }

private:
    static constexpr size_t Width = 100; // bytes; a narrower terminal wraps the line
    std::ostream& out;
    bool on;
    std::chrono::steady_clock::time_point shown;
};

} // namespace

int RunValidate(ValidateOptions v, std::ostream& out, std::ostream& err) {
    if (auto request = OS::EnvironmentValue(CheckVariable)) {
        OS::UnsetEnvironmentValue(CheckVariable);
        RunCheckForParent(*request);
    }
    const bool readable = bool(std::ifstream(sys::PathFromUtf8(v.options.addOn)));
    const std::vector<std::string> functions =
        readable ? ScriptFunctions(v.options) : std::vector<std::string>();
    const std::vector<Check> checks = Catalogue(functions);
    for (const Check& c : checks)
        if (!IsKebabCase(c.id))
            err << "simhost validate: check id \"" << c.id << "\" is not kebab-case\n";
    std::vector<const Check*> chosen;
    try {
        chosen = Select(checks, v.selection);
    } catch (const std::regex_error& e) {
        err << "simhost validate: bad regular expression: " << e.what() << "\n";
        return 2;
    }
    if (v.list || v.listJson) {
        if (v.listJson) {
            out << ListJson(chosen).dump(2) << "\n";
        } else {
            for (const Check* c : chosen)
                out << ListLine(*c) << "\n";
        }
        return 0;
    }
    if (!v.seedGiven)
        v.options.seed = std::random_device{}() | (std::uint64_t(std::random_device{}()) << 32);
    if (!readable) {
        err << "simhost validate: cannot read the add-on " << v.options.addOn << "\n";
        return 2;
    }
    bool jsonToOut = v.jsonFile == "-";
    std::ostream& text = jsonToOut ? err : out;
    text << "simhost validate: add-on " << v.options.addOn << ", seed " << v.options.seed
         << (v.options.full ? ", full sweeps" : ", reduced sweeps (--full for all variants)") << "\n"
         << std::flush;
    std::vector<ReportedCheck> reported;
    int faults = 0;
    StatusLine status(text, v.progress);
    for (const Check* c : chosen) {
        HostCosts::SpentInProcess().clear();
        auto start = std::chrono::steady_clock::now();
        status.Show(c->id, "", start);
        CheckResult r =
            CanFork() ? RunInChild([&] { return Guarded(*c, v.options); }, v.options.timeout, true,
                                   [&](const std::string& what) { status.Show(c->id, what, start); })
                      : RunInFreshProcess(*c, functions, v.options,
                                          [&](const std::string& what) { status.Show(c->id, what, start); });
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        reported.push_back({c, r, seconds, HostCosts::SpentInProcess()});
        faults += IsFault(r.outcome) ? 1 : 0;
        status.Clear();
        text << TextLine(reported.back()) << "\n" << std::flush;
    }
    json report = ReportJson(v.options, reported);
    text << TextSummary(v.options, report) << "\n";
    if (jsonToOut) {
        out << report.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    } else if (!v.jsonFile.empty()) {
        std::ofstream file(v.jsonFile);
        file << report.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
        if (!file) {
            err << "simhost validate: cannot write " << v.jsonFile << "\n";
            return 2;
        }
    }
    return faults > 0 ? 1 : 0;
}

} // namespace simhost::validate
