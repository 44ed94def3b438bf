#pragma once

#include "cli/Script.h"
#include "runtime/FileService.h"
#include "runtime/Host.h"
#include "runtime/Session.h"
#include "validate/Validator.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace simhost::validate {

// The script object the page talks to; without it the session checks have nothing to call.
extern const char* const ScriptObjectName;
extern const char* const NoScriptObject;

// The add-on's life in this process, driven through simhost's step engine as `simhost run`
// drives it, with a local file service serving the sample files from a folder of its own (or the
// service at `filesAddress`). Everything that goes wrong on the add-on's side is collected in
// `problems`.
class AddOnSession {
public:
    explicit AddOnSession(const Options& options, const std::string& filesAddress = {});
    ~AddOnSession();
    AddOnSession(const AddOnSession&) = delete;
    AddOnSession& operator=(const AddOnSession&) = delete;

    // Loads the add-on and runs its lifecycle; `beforeLoad` sets up faults first. Answers whether
    // the lifecycle completed (an add-on that refuses to start because a host operation failed
    // is no problem).
    bool Start(const std::function<void(Host&)>& beforeLoad = nullptr);
    // The user's menu command that opens the palette; answers whether the script object exists.
    bool OpenPalette();
    bool HasScriptObject() const;

    // One step of `simhost run`. A step the host cannot carry out answers its "error" with
    // "hostSide" true; an exception that leaves the add-on is a problem.
    nlohmann::json Step(const nlohmann::json& step);
    // One script call with the page's argument (absent when null). A call that does not answer
    // with a value or a script error is a problem.
    nlohmann::json Call(const std::string& function, const nlohmann::json& argument = nullptr);

    // The standard session's steps after OpenPalette: a project event, every script function,
    // one import of every sample, a wall made of the sample material, and the select command
    // the page asks for, delivered at idle.
    void RunStandardSteps();
    // Start, OpenPalette and RunStandardSteps, as far as the add-on lets them go; answers whether
    // the palette gave the script object.
    bool RunStandardSession(const std::function<void(Host&)>& beforeLoad = nullptr);

    // After a session in which something failed: the host works again, saves the project and
    // reopens it (the file must open and pass the host's consistency check), and the next import
    // of every sample in it must succeed, in the add-on's life when it still answers, else in a
    // new one. What does not is a problem.
    void CheckProjectStillWhole();

    // FreeAddOnData and unload; then the host's memory manager and (in a sanitizer build) the leak
    // checker must find nothing the add-on left behind. Every misuse of the host is a problem.
    void Finish(bool checkLeaks = true);
    // Every misuse of the host the add-on made so far becomes a problem, named.
    void CollectViolations();
    // The result of a session the check ends early (`outcome`, a failure or a skip, saying
    // `detail`), unless the add-on misused the host on the way: that fails it, named.
    CheckResult EndedEarly(Outcome outcome, const std::string& detail);

    // Start, then OpenPalette: nothing when both went through, else the check's outcome (failed
    // when the lifecycle stopped, skipped without the script object).
    std::optional<CheckResult> StartWithPalette();

    const Options& Settings() const { return options; }
    // The session's own folder: served/ holds the files the file service serves, downloads/ is
    // the user's temporary folder (TEMP), library/ the user's library folder.
    const std::filesystem::path& Folder() const { return folder; }
    // Whether every step's line is kept in `lines` (not for thousands of calls).
    bool keepLines = true;
    // The step running (or the last one), as progress names it.
    const std::string& CurrentStep() const { return currentStep; }
    // The folder outlives the session: another process owns it.
    void KeepFolder() { keepFolder = true; }

    Host host;
    Session session{host};
    std::vector<std::string> problems;
    std::vector<nlohmann::json> lines; // every step's line, in order
    LifecycleResult lifecycle;
    bool started = false;

private:
    // Loads the add-on anew and opens its palette, after what the last life left.
    bool Restart();

    const Options& options;
    std::filesystem::path folder;
    bool keepFolder = false;
    std::string currentStep;
    std::unique_ptr<LocalFileService> files;
    std::unique_ptr<StepContext> context;
    Int64 liveBlocksBefore = 0;
};

// Runs the leak checker of a sanitizer build; answers its report, empty when it found nothing or
// the build has none.
std::string LeakCheckerReport();
bool HasLeakChecker();

// The outcome of sessions: failed with the problems, else passed.
CheckResult FromProblems(const std::vector<std::string>& problems, const std::string& context);

} // namespace simhost::validate
