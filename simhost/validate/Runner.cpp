#include "validate/Runner.h"

#include "cli/PaletteLookup.h"
#include "validate/AddOnSession.h"
#include "validate/ChildProcess.h"
#include "validate/Report.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <random>
#include <regex>
#include <unistd.h>

namespace simhost::validate {

using nlohmann::json;

namespace {

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
                                names.push_back(f->GetName().ToCStr());
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
    const bool readable = ::access(v.options.addOn.c_str(), R_OK) == 0;
    const std::vector<Check> checks =
        Catalogue(readable ? ScriptFunctions(v.options) : std::vector<std::string>());
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
        CheckResult r = RunInChild(
            [&] {
                CheckContext context(v.options, *c);
                return c->body(context);
            },
            v.options.timeout, true, [&](const std::string& what) { status.Show(c->id, what, start); });
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
