#include "validate/Runner.h"

#include "os/Environment.h"
#include "os/Module.h"
#include "runtime/Process.h"
#include "runtime/System.h"
#include "validate/ChildProcess.h"
#include "validate/Report.h"

#include <chrono>
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
CheckResult RunInFreshProcess(const Check& c, const Options& options) {
    const auto start = [&] {
        (void)OS::SetEnvironmentValue(CheckVariable,
                                      json{{"check", c.id}, {"options", OptionsToJson(options)}}.dump());
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
            if (line.rfind("P ", 0) == 0)
                lastProgress = line.substr(2);
            else if (line.rfind("R ", 0) == 0)
                answered = ResultFromJson(json::parse(line.substr(2)));
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
        for (const Check* c : AllChecks())
            if (c->id == j.at("check").get<std::string>())
                r = Guarded(*c, options);
    } catch (const std::exception& e) {
        r = {Outcome::Failed, std::string("cannot read the check to run: ") + e.what(), {}, {}, {}};
    }
    AnswerAndExit(r);
}

} // namespace

int RunValidate(ValidateOptions v, std::ostream& out, std::ostream& err) {
    if (auto request = OS::EnvironmentValue(CheckVariable)) {
        OS::UnsetEnvironmentValue(CheckVariable);
        RunCheckForParent(*request);
    }
    for (const Check* c : AllChecks())
        if (!IsKebabCase(c->id))
            err << "simhost validate: check id \"" << c->id << "\" is not kebab-case\n";
    std::vector<const Check*> chosen;
    try {
        chosen = Select(v.selection);
    } catch (const std::regex_error& e) {
        err << "simhost validate: bad regular expression: " << e.what() << "\n";
        return 2;
    }
    if (v.list || v.listJson) {
        if (v.listJson) {
            out << ListJson(chosen).dump(2) << "\n";
        } else {
            for (const Check* c : chosen)
                out << c->id << "  " << c->description << "\n";
        }
        return 0;
    }
    if (!v.seedGiven)
        v.options.seed = std::random_device{}() | (std::uint64_t(std::random_device{}()) << 32);
    if (!std::ifstream(sys::PathFromUtf8(v.options.addOn))) {
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
    for (const Check* c : chosen) {
        auto start = std::chrono::steady_clock::now();
        CheckResult r =
            CanFork() ? RunInChild([&] { return Guarded(*c, v.options); }, v.options.timeout, true, nullptr)
                      : RunInFreshProcess(*c, v.options);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        reported.push_back({c, r, seconds});
        faults += IsFault(r.outcome) ? 1 : 0;
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
