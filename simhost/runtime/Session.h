#pragma once

#include "runtime/Host.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace simhost {

class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How the host reaches an add-on: a shared module it opens (dlopen, LoadLibraryW), or (for in-process
// tests) the add-on's exports linked into the host, with its load and unload hooks.
struct AddOnImage {
    std::string path;
    GetExportedFuncAddrsProc getExported = nullptr;
    SetImportedFuncAddrsProc setImported = nullptr;
    std::function<void()> load;   // in-process only: the library-load hook
    std::function<void()> unload; // in-process only: the library-unload hook
    std::string resources;        // in-process only: what the module file's resource section holds
};

struct LifecycleResult {
    bool completed = false;   // all four steps answered success
    std::string failedStep;   // the step that stopped the lifecycle
    GSErrCode code = NoError; // its code
    Int32 kind = 0;           // what DescribeAddOn answered
    std::string name;         // the add-on's name and description
    std::string description;
};

// One add-on's life in the host: load, entry table, function table, the entry points in the
// host's order, free and unload.
class Session {
public:
    explicit Session(Host& host);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the module (dlopen, LoadLibraryW) and reads its entry table; throws LoadError.
    void Load(const std::string& path);
    void LoadInProcess(AddOnImage image);
    bool IsLoaded() const { return loaded; }

    const AddOnEntryTable& EntryTable() const { return entries; }
    GSErrCode HandOverTable();
    Int32 Describe(API_AddOnDescription* description);
    GSErrCode RegisterInterface();
    GSErrCode Initialize();
    GSErrCode Free();
    // Table, describe, register, initialise; stops at the first failure.
    LifecycleResult RunLifecycle();
    // FreeAddOnData first when `free`; answers the debug lines written while unloading. The host
    // forgets the add-on: it is not loaded again on demand.
    std::vector<std::string> Unload(bool free = true);

    // The host unloads an add-on that did not ask to stay loaded (KeepLoaded) when it is idle: no
    // module command waits for it. FreeAddOnData, then unload; what it declared (menus, module
    // commands, the project events it takes) stays with the host, which loads it again through
    // its entry points (function table, InitializeAddOn) when a menu command or an event needs
    // it. Answers whether it unloaded the add-on.
    bool UnloadIfIdle();
    // Loads again an add-on the host unloaded while idle; false, with why, when there is none or
    // its initialisation failed (it is then unloaded and forgotten).
    bool Wake(std::string* why = nullptr);
    // Unloaded while idle, loaded again when needed.
    bool IsAsleep() const { return asleep; }

    // Hands the current table over again, after a slot was emptied.
    GSErrCode Rehand() { return HandOverTable(); }

    Host& host;

private:
    void ReadEntryTable();
    // Opens the host's own cache over the add-on's resource image, as read from its module.
    void OpenResources(std::string image);
    void CloseResources();

    AddOnImage image;
    void* module = nullptr;
    bool loaded = false;
    bool fromFile = false; // loaded from its module file, not linked in
    bool asleep = false;
    bool tableHanded = false;
    AddOnEntryTable entries{};
    char handleToken = 0;
    std::string resourceImage; // the bytes the host's resource cache reads
};

} // namespace simhost
