#include "validate/AddOnSession.h"

#include "cli/PaletteLookup.h"
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "model/Project.h"
#include "os/Environment.h"
#include "runtime/System.h"
#include "validate/ChildProcess.h"
#include "validate/Samples.h"

#include <cstdlib>
#include <fstream>

#ifndef _WIN32
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));
#else
// No leak checker on Windows (no sanitizer there).
constexpr int (*__lsan_do_recoverable_leak_check)() = nullptr;
#endif

namespace simhost::validate {

using nlohmann::json;

const char* const ScriptObjectName = "jsQuorvelInterface";
const char* const NoScriptObject = "the add-on registers no script object \"jsQuorvelInterface\" after the "
                                   "menu command that opens its palette";

bool HasLeakChecker() {
    return __lsan_do_recoverable_leak_check != nullptr;
}

std::string LeakCheckerReport() {
    if (__lsan_do_recoverable_leak_check == nullptr)
        return {};
    // The checker writes its report to standard error: catch it for the result.
    int leaks = 0;
    const std::string report = sys::CaptureStandardError([&] { leaks = __lsan_do_recoverable_leak_check(); });
    if (leaks == 0)
        return {};
    auto summary = report.find("SUMMARY:");
    std::string first = report.substr(0, 1500);
    return summary != std::string::npos
               ? report.substr(summary, report.find('\n', summary) - summary) + "; " + first
           : first.empty() ? "LeakSanitizer found leaks"
                           : first;
}

namespace {
const std::string MisusePrefix = "misuse of the host: ";
}

CheckResult FromProblems(const std::vector<std::string>& problems, const std::string& context) {
    if (problems.empty())
        return {};
    std::string detail = context;
    for (size_t i = 0; i < problems.size() && i < 8; ++i)
        detail += (i ? "; " : ": ") + problems[i];
    if (problems.size() > 8)
        detail += "; and " + std::to_string(problems.size() - 8) + " more";
    return {Outcome::Failed, detail, {}, {}, {{"problems", problems}}};
}

AddOnSession::AddOnSession(const Options& o, const std::string& filesAddress) : options(o) {
    folder = MakeSessionFolder("");
    std::filesystem::create_directories(folder / "served");
    std::filesystem::create_directories(folder / "downloads");
    std::filesystem::create_directories(folder / "library");
    // The user's library folder too is the session's own: sessions never share files.
    host.specialFolders[SpecialFolderUserLibrary] = sys::Utf8FromPath(folder / "library");
    host.costs = o.costs;
    std::string served = filesAddress;
    if (served.empty()) {
        for (const auto& f : SampleFiles())
            std::ofstream(folder / "served" / f.uuid, std::ios::binary) << f.bytes;
        files = std::make_unique<LocalFileService>(sys::Utf8FromPath(folder / "served"));
        served = files->BaseAddress();
    }
    // The add-on reads both when it loads or downloads: set them before it runs.
    (void)OS::SetEnvironmentValue("QUORVEL_FILE_SERVICE", served); // fail only for a bad name
    (void)OS::SetEnvironmentValue("TEMP", sys::Utf8FromPath(folder / "downloads"));
    context = std::make_unique<StepContext>(StepContext{host, session, folder});
}

AddOnSession::~AddOnSession() {
    (void)session.Unload(true); // the checks judged the unload already, where it mattered
    files.reset();
    std::error_code ignored;
    if (!keepFolder)
        std::filesystem::remove_all(folder, ignored);
}

bool AddOnSession::Start(const std::function<void(Host&)>& beforeLoad) {
    BM::ResetStatistics();
    liveBlocksBefore = BM::LiveBlocks();
    if (beforeLoad)
        beforeLoad(host);
    try {
        session.Load(options.addOn);
    } catch (const LoadError& e) {
        problems.push_back(e.what());
        return false;
    }
    try {
        lifecycle = session.RunLifecycle();
    } catch (const std::exception& e) {
        problems.push_back(std::string("an exception left an entry point of the lifecycle: ") + e.what());
        return false;
    }
    started = lifecycle.completed;
    return started;
}

bool AddOnSession::HasScriptObject() const {
    DG::BrowserBase* browser = FindPaletteBrowser(FindAddOnPalette(host));
    if (browser == nullptr)
        return false;
    for (const auto& object : browser->RegisteredObjects())
        if (object && object->GetName() == GS::UniString(ScriptObjectName, CC_UTF8))
            return true;
    return false;
}

std::optional<CheckResult> AddOnSession::StartWithPalette() {
    if (!Start())
        return EndedEarly(Outcome::Failed, "the lifecycle stopped at " + lifecycle.failedStep);
    if (!OpenPalette()) {
        Finish();
        return EndedEarly(Outcome::Skipped, NoScriptObject);
    }
    return std::nullopt;
}

CheckResult AddOnSession::EndedEarly(Outcome outcome, const std::string& detail) {
    CollectViolations();
    std::vector<std::string> misuse;
    for (const auto& p : problems)
        if (p.rfind(MisusePrefix, 0) == 0)
            misuse.push_back(p);
    if (misuse.empty())
        return {outcome, detail, {}, {}, {}};
    return FromProblems(misuse, detail);
}

bool AddOnSession::OpenPalette() {
    Step({{"step", "menu"}, {"menu", 32500}, {"item", 1}});
    return HasScriptObject();
}

json AddOnSession::Step(const json& step) {
    std::string what = "step " + step.value("step", std::string());
    if (step.contains("function"))
        what += " " + step["function"].get<std::string>();
    if (step.contains("arg"))
        what += " " + step["arg"].dump(-1, ' ', false, json::error_handler_t::replace).substr(0, 160);
    ReportProgress(what);
    currentStep = what;
    json line;
    try {
        line = RunStep(*context, step);
    } catch (const StepError& e) {
        line = {{"step", step.at("step")}, {"error", e.what()}, {"hostSide", true}};
    } catch (const ScriptError& e) {
        throw std::logic_error(std::string("the validator made a malformed step: ") + e.what());
    } catch (const std::exception& e) {
        problems.push_back("an exception left the add-on in step " + step.at("step").get<std::string>() +
                           ": " + e.what());
        line = {{"step", step.at("step")}, {"error", e.what()}};
    }
    if (keepLines)
        lines.push_back(line);
    // As in `simhost run`: an add-on that did not ask to stay loaded goes when idle.
    (void)session.UnloadIfIdle();
    return line;
}

json AddOnSession::Call(const std::string& function, const json& argument) {
    json step = {{"step", "call"}, {"function", function}};
    if (!argument.is_null())
        step["arg"] = argument;
    json line = Step(step);
    bool reached = line.contains("function");
    if (reached && !line.contains("value") && !line.contains("error"))
        problems.push_back(function + " answered neither a value nor a script error");
    return line;
}

void AddOnSession::RunStandardSteps() {
    Step({{"step", "projectEvent"}, {"code", 1}, {"param", 0}});
    Call("getPluginVersion");
    for (const auto& sample : SampleProducts())
        Call("import", sample.product.dump());
    json placed = Step({{"step", "place"},
                        {"type", "wall"},
                        {"attribute", SampleMaterialName},
                        {"kind", "material"},
                        {"area", 12.5},
                        {"id", "validate-wall"}});
    Call("export", "PROJECT_INFO");
    Call("getElementsUsingProduct", SampleProducts().front().product.at("uuid"));
    Call("getNewlyLoadedProjectOverview");
    Call("AddElementToSelection", placed.value("guid", std::string()));
    Step({{"step", "idle"}});
    Call("getRevitSelection");
}

bool AddOnSession::RunStandardSession(const std::function<void(Host&)>& beforeLoad) {
    if (!Start(beforeLoad))
        return false;
    bool scriptObject = OpenPalette();
    if (HasScriptObject())
        RunStandardSteps();
    return scriptObject;
}

bool AddOnSession::Restart() {
    (void)session.Unload(true); // a restart starts afresh whatever the unload answered
    try {
        session.Load(options.addOn);
        lifecycle = session.RunLifecycle();
    } catch (const std::exception& e) {
        problems.push_back(std::string("the add-on could not be loaded anew: ") + e.what());
        return false;
    }
    started = lifecycle.completed;
    if (!started) {
        problems.push_back("loaded anew, the add-on stopped at " + lifecycle.failedStep);
        return false;
    }
    if (!OpenPalette()) {
        problems.push_back("loaded anew, the add-on gives no script object");
        return false;
    }
    return true;
}

void AddOnSession::CheckProjectStillWhole() {
    // The failure belonged to the session just run: from now on the host works.
    BM::ClearFailures();
    host.faults.Clear();
    const std::string file = sys::Utf8FromPath(folder / "reopened.json");
    Project reopened;
    try {
        SaveProjectFile(host.project, file);
        reopened = LoadProjectFile(file);
    } catch (const std::exception& e) {
        problems.push_back(std::string("the project saved after the session does not reopen: ") + e.what());
        return;
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    // The host opens it in place of the session's project, with the events a host sends.
    try {
        (void)host.ReplaceProject(std::move(reopened), true); // the handler's answers change nothing
    } catch (const std::exception& e) {
        problems.push_back(std::string("an exception left the add-on's project-event handler: ") + e.what());
    }
    // An add-on that stopped is loaded anew; one that runs must still answer, once the user
    // opens its palette again if it is not there.
    if (!session.IsLoaded() || !started) {
        if (!Restart())
            return;
    } else if (!HasScriptObject() && !OpenPalette()) {
        problems.push_back("after the session the menu command gives no script object: the add-on no longer "
                           "imports");
        return;
    }
    for (const auto& sample : SampleProducts()) {
        json line = Call("import", sample.product.dump());
        json answer = json::parse(line.value("value", std::string()), nullptr, false);
        if (!answer.is_object() || answer.value("Success", json()) != true)
            problems.push_back("the next import of the " + sample.kind +
                               " in the reopened project answered " +
                               (line.contains("error") ? "the script error " + line["error"].dump()
                                                       : line.value("value", json()).dump()));
    }
}

void AddOnSession::CollectViolations() {
    // First: a misuse is what a detail that names only some problems must name.
    std::vector<std::string> misuse;
    for (const auto& line : host.violations.Lines())
        misuse.push_back(MisusePrefix + line);
    problems.insert(problems.begin(), misuse.begin(), misuse.end());
    host.violations.Clear();
}

void AddOnSession::Finish(bool checkLeaks) {
    if (!session.IsLoaded() && !session.IsAsleep()) {
        CollectViolations();
        return;
    }
    std::vector<std::string> unloadLines;
    try {
        unloadLines = session.Unload(true);
    } catch (const std::exception& e) {
        problems.push_back(std::string("an exception left the add-on while it was freed and unloaded: ") +
                           e.what());
    }
    for (const auto& l : unloadLines)
        if (l.find("Abnormal add-on termination") != std::string::npos)
            problems.push_back("unloading after FreeAddOnData wrote \"" + l + "\"");
    if (checkLeaks) {
        if (Int64 left = BM::LiveBlocks() - liveBlocksBefore; left != 0)
            host.violations.Record("memory never released",
                                   "the host's memory manager holds " + std::to_string(left) +
                                       " block(s) more after unload than before load (leak)");
        if (std::string report = LeakCheckerReport(); !report.empty())
            problems.push_back("leak: " + report);
    }
    CollectViolations();
}

} // namespace simhost::validate
