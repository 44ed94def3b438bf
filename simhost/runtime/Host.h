#pragma once

#include "api/HostApiRecords.h"
#include "model/Libraries.h"
#include "model/Project.h"
#include "runtime/Counters.h"
#include "runtime/Faults.h"
#include "runtime/HostCosts.h"
#include "runtime/ModuleParams.h"
#include "runtime/Variance.h"

#include "gs/AddOnCode.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace simhost {

// The special folder ('GSPF') that is the user's library.
constexpr Int32 SpecialFolderUserLibrary = 6;

struct MenuItem {
    std::string text;
    UInt32 flags = 0;
};

struct Menu {
    Int16 resourceId = 0;
    std::string title;
    std::string prompt;
    std::vector<MenuItem> items; // item 1 first
    APIMenuCommandProc handler = nullptr;
};

struct ModuleCommand {
    GSType code = 0;
    Int32 version = 0;
    APIModuleCommandProc handler = nullptr;
};

struct PaletteRegistration {
    Int32 referenceId = 0;
    APIPaletteControlCallBackProc handler = nullptr;
    Int32 flags = 0;
    GS::Guid guid;
};

// A module command posted to an add-on, waiting for the event loop.
struct PostedCommand {
    API_ModulID target{};
    GSType code = 0;
    Int32 version = 0;
    API_ModulParamsHandle params = nullptr;
};

// What the loaded add-on declared and installed.
struct AddOnRegistrations {
    std::vector<ModuleCommand> commands;
    std::vector<Menu> menus;
    std::vector<PaletteRegistration> palettes;
    Int32 eventMask = 0;
    APIProjectEventHandlerProc eventHandler = nullptr;
    bool keepLoaded = false;
    GSResModule resourceModule = -1; // the add-on's resources, as the host reads them

    Menu* FindMenu(Int16 id);
    ModuleCommand* FindCommand(GSType code, Int32 version);
};

// What the add-on did wrong to the host, each kind of misuse of each operation once, counted.
class Violations {
public:
    struct Violation {
        std::string kind; // "bad handle", "refused parameters", "unknown selector", "wrong thread", ...
        std::string what; // the operation or handler and what was wrong
        UInt64 count = 0;
    };
    void Record(const std::string& kind, const std::string& what);
    const std::vector<Violation>& All() const { return list; }
    bool Empty() const { return list.empty(); }
    // One line each: "<kind>: <what>", with the count when it happened more than once.
    std::vector<std::string> Lines() const;
    void Clear() { list.clear(); }

private:
    std::vector<Violation> list;
};

// The simulated host: the open project and everything the host keeps beside it while an add-on
// runs. One per process, reached through CurrentHost(); host operations run on it.
class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    Project project;
    std::string language = "INT";
    // The plain host, or one that varies within its contract.
    HostVariance variance;
    // Makes the host vary with the seed from now on: its language, and holes in the attribute
    // lists of the project open now and of every project opened later.
    void Vary(UInt64 seed);
    AddOnRegistrations addOn;
    // The handle given to the add-on at initialisation; operations check it.
    API_AddOnHandle addOnHandle = nullptr;
    std::optional<API_ModulID> addOnIdentifier;

    Counters counters;
    // Misuse of the host interface, as the host's call wrapper and memory manager see it.
    Violations violations;
    // The thread the host calls the add-on on (its user-interface thread): the add-on calls the
    // host on it alone.
    std::thread::id addOnThread = std::this_thread::get_id();
    Faults faults;
    HostCosts costs;
    HostFunctionTable table{};

    // What belongs to the session, not to the project (its file does not hold it): the names of
    // the undoable commands carried out, oldest first, and the host's special folders by number
    // (the user library, 6, defaults to one in the session's folder).
    std::vector<std::string> undoList;
    std::map<Int32, std::string> specialFolders;

    // Module-command parameter lists handed out, and the commands waiting for the event loop.
    ModuleParameterLists paramLists;
    std::deque<PostedCommand> posted;
    std::optional<LibraryPartInProgress> libraryPartInProgress;

    // Debug output (DBPrintf) split into lines; an unfinished last line stays pending.
    std::vector<std::string> debugLines;
    std::vector<std::string> reports;
    void WriteDebug(std::string_view text);
    std::string pendingDebug;

    // Empties the operation's slot of the table the host hands over.
    void EmptySlot(HostOp op);

    // Calls the project-event handler when it subscribed to `event` (loading the add-on again when
    // the host unloaded it while idle); nothing when not.
    std::optional<GSErrCode> SendProjectEvent(Int32 event, Int32 param);
    // Loads again the add-on the host unloaded while idle; set by the session that unloaded it.
    std::function<bool()> wakeAddOn;

    // A project event sent, with what the handler answered (nothing: not subscribed).
    struct SentEvent {
        Int32 event = 0;
        std::optional<GSErrCode> result;
    };
    // Closes the project and opens `next` in its place, as a host does: the close event for the
    // project open now, then the new-project event, or the open event for one `fromFile`. Nothing
    // of the closed project stays: a library part being created is dropped. Answers the events.
    std::vector<SentEvent> ReplaceProject(Project next, bool fromFile);

    // The session's own folder, made at its first use (under the system's temporary folder). The
    // host's default user library lies in it, so that sessions never share files. It is removed
    // with the host unless KeepSessionFolder was called: a saved project's libraries lie in it.
    const std::string& SessionFolder();
    void KeepSessionFolder() { keepSessionFolder = true; }
    bool HasSessionFolder() const { return !sessionFolder.empty(); }

private:
    std::string sessionFolder;
    bool keepSessionFolder = false;
};

Host& CurrentHost();
bool HasCurrentHost();

// Runs the add-on's code as the host calls it (an entry point or a handler): an exception that
// leaves it is a misuse of the host, recorded, and passed on.
template <typename Call>
auto CallAddOn(Host& host, const std::string& what, Call&& call) -> decltype(call()) {
    GS::AddOnCodeScope addOn(true);
    try {
        return call();
    } catch (const std::exception& e) {
        host.violations.Record("exception from the add-on", "an exception left " + what + ": " + e.what());
        throw;
    } catch (...) {
        host.violations.Record("exception from the add-on", "an exception left " + what);
        throw;
    }
}

// The function table over the host's operations, with call counting, fault injection and the
// handle check; operations simhost does not provide leave their slot empty.
HostFunctionTable BuildFunctionTable();

} // namespace simhost
