#include "cli/HostedAddOn.h"

#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "model/Project.h"
#include "os/Environment.h"

#include <fstream>
#include <ostream>

namespace simhost {

std::unique_ptr<HostedAddOn> StartHostedAddOn(const HostedAddOnOptions& options, std::ostream& err) {
    try {
        return std::make_unique<HostedAddOn>(options);
    } catch (const SetupError& e) {
        err << "simhost: " << e.what() << "\n";
        return nullptr;
    }
}

void WriteDebugLog(const Host& host, const std::string& path) {
    std::ofstream log(path);
    for (const auto& l : host.debugLines)
        log << l << "\n";
    log << host.pendingDebug;
}

bool HostedAddOn::End(const std::string& saveTo, const std::string& debugLog, std::ostream& err) {
    session.Unload(true); // also forgets an add-on the host unloaded while idle
    if (Int64 left = BM::LiveBlocks() - liveBlocksAtStart; left > 0)
        host.violations.Record("memory never released", "the host's memory manager holds " +
                                                            std::to_string(left) +
                                                            " block(s) more after unload than before load");
    for (const auto& line : host.violations.Lines())
        err << "simhost: the add-on misused the host: " << line << "\n";
    bool saved = true;
    if (!saveTo.empty()) {
        try {
            SaveProjectFile(host.project, saveTo);
            // The saved project's libraries may lie in the session's user library: they stay.
            if (host.HasSessionFolder() && LibrariesLieIn(host.project.libraries, host.SessionFolder()))
                host.KeepSessionFolder();
        } catch (const ProjectFileError& e) {
            err << "simhost: " << e.what() << "\n";
            saved = false;
        }
    }
    if (!debugLog.empty())
        WriteDebugLog(host, debugLog);
    return saved;
}

HostedAddOn::HostedAddOn(const HostedAddOnOptions& options) : liveBlocksAtStart(BM::LiveBlocks()) {
    host.costs = options.costs;
    // Read before the add-on loads: a file that cannot be opened stops the run at once.
    std::optional<Project> opened;
    try {
        if (!options.project.empty())
            opened = LoadProjectFile(options.project);
    } catch (const ProjectFileError& e) {
        throw SetupError(e.what());
    }
    if (options.variance)
        host.Vary(*options.variance);
    if (!options.filesFolder.empty()) {
        try {
            files = std::make_unique<LocalFileService>(options.filesFolder);
        } catch (const std::exception& e) {
            throw SetupError(e.what());
        }
        (void)OS::SetEnvironmentValue("QUORVEL_FILE_SERVICE",
                                      files->BaseAddress()); // fails only for a bad name
    }
    try {
        session.Load(options.addOn);
    } catch (const LoadError& e) {
        throw SetupError(e.what());
    }
    LifecycleResult lifecycle = session.RunLifecycle();
    if (!lifecycle.completed) {
        session.Unload(true);
        throw SetupError("the add-on's " + lifecycle.failedStep + " failed with code " +
                         std::to_string(lifecycle.code));
    }
    // The host starts with a new empty project; a project file is opened in its place, with the
    // events a host sends.
    if (opened)
        (void)host.ReplaceProject(std::move(*opened), true); // what the add-on answers changes nothing
}

} // namespace simhost
