#include "runtime/Session.h"

#include "gs/Resources.h"
#include "runtime/EventLoop.h"
#include "runtime/ModuleFile.h"
#include "runtime/System.h"

#include <thread>

namespace simhost {

Session::Session(Host& h) : host(h) {}

Session::~Session() {
    if (loaded || asleep)
        Unload(true);
}

void Session::Load(const std::string& path) {
    if (loaded)
        throw LoadError("an add-on is loaded already");
    std::string why;
    module = sys::OpenModule(path, why);
    if (module == nullptr)
        throw LoadError(path + ": cannot load: " + why);
    image.path = path;
    image.getExported =
        reinterpret_cast<GetExportedFuncAddrsProc>(sys::ModuleSymbol(module, "GetExportedFuncAddrs"));
    image.setImported =
        reinterpret_cast<SetImportedFuncAddrsProc>(sys::ModuleSymbol(module, "SetImportedFuncAddrs"));
    if (image.getExported == nullptr || image.setImported == nullptr) {
        sys::CloseModule(module);
        module = nullptr;
        throw LoadError(path + ": not an add-on (GetExportedFuncAddrs or SetImportedFuncAddrs missing)");
    }
    host.addOn = AddOnRegistrations{};
    // The host reads the add-on's resources from the module's file, not from the add-on.
    OpenResources(ReadModuleSection(path, RS_ModuleSection).value_or(std::string()));
    loaded = true;
    fromFile = true;
    ReadEntryTable();
}

void Session::LoadInProcess(AddOnImage in) {
    if (loaded)
        throw LoadError("an add-on is loaded already");
    image = std::move(in);
    if (image.load)
        image.load();
    host.addOn = AddOnRegistrations{};
    OpenResources(image.resources);
    loaded = true;
    fromFile = false;
    ReadEntryTable();
}

void Session::OpenResources(std::string bytes) {
    CloseResources();
    resourceImage = std::move(bytes);
    host.addOn.resourceModule = RSInitModuleImageCache(resourceImage.data(), resourceImage.size());
}

void Session::CloseResources() {
    if (host.addOn.resourceModule != -1)
        RSRemoveModuleImageCache(host.addOn.resourceModule);
    host.addOn.resourceModule = -1;
}

void Session::ReadEntryTable() {
    entries = AddOnEntryTable{};
    host.addOnThread = std::this_thread::get_id(); // the thread the host calls the add-on on
    CallAddOn(host, "GetExportedFuncAddrs", [&] { image.getExported(&entries); });
}

GSErrCode Session::HandOverTable() {
    tableHanded = true;
    return CallAddOn(host, "SetImportedFuncAddrs", [&] { return image.setImported(&host.table); });
}

Int32 Session::Describe(API_AddOnDescription* description) {
    if (entries.describeAddOn == nullptr)
        return 0;
    return CallAddOn(host, "DescribeAddOn", [&] { return entries.describeAddOn(description); });
}

GSErrCode Session::RegisterInterface() {
    if (entries.registerAddOnInterface == nullptr)
        return ErrMissingEntry;
    return CallAddOn(host, "RegisterAddOnInterface", [&] { return entries.registerAddOnInterface(); });
}

GSErrCode Session::Initialize() {
    if (entries.initializeAddOn == nullptr)
        return ErrMissingEntry;
    host.addOnHandle = &handleToken;
    return CallAddOn(host, "InitializeAddOn", [&] { return entries.initializeAddOn(host.addOnHandle); });
}

GSErrCode Session::Free() {
    if (entries.freeAddOnData == nullptr)
        return ErrMissingEntry;
    return CallAddOn(host, "FreeAddOnData", [&] { return entries.freeAddOnData(); });
}

LifecycleResult Session::RunLifecycle() {
    LifecycleResult r;
    auto stop = [&r](const char* step, GSErrCode code) {
        r.failedStep = step;
        r.code = code;
        return r;
    };
    if (entries.version != EntryTableVersion)
        return stop("GetExportedFuncAddrs", ErrBadParameter);
    if (GSErrCode code = HandOverTable(); code != NoError)
        return stop("SetImportedFuncAddrs", code);
    API_AddOnDescription description;
    r.kind = Describe(&description);
    r.name = description.name.ToCStr(CC_UTF8);
    r.description = description.description.ToCStr(CC_UTF8);
    if (r.kind == 0)
        return stop("DescribeAddOn", ErrGeneral);
    if (GSErrCode code = RegisterInterface(); code != NoError)
        return stop("RegisterAddOnInterface", code);
    if (GSErrCode code = Initialize(); code != NoError)
        return stop("InitializeAddOn", code);
    r.completed = true;
    return r;
}

std::vector<std::string> Session::Unload(bool free) {
    if (asleep) {
        asleep = false;
        host.addOn = AddOnRegistrations{};
        host.wakeAddOn = nullptr;
    }
    if (!loaded)
        return {};
    if (free && tableHanded)
        (void)Free(); // the host unloads whatever FreeAddOnData answers
    size_t firstLine = host.debugLines.size();
    if (module != nullptr) {
        sys::CloseModule(module);
        module = nullptr;
    } else if (image.unload) {
        image.unload();
    }
    loaded = false;
    tableHanded = false;
    host.addOnHandle = nullptr;
    CloseResources();
    host.addOn = AddOnRegistrations{};
    DiscardPostedCommands(host);
    host.addOnIdentifier.reset();
    return {host.debugLines.begin() + std::ptrdiff_t(firstLine), host.debugLines.end()};
}

bool Session::UnloadIfIdle() {
    if (!loaded || host.addOn.keepLoaded || !host.posted.empty())
        return false;
    // What the add-on declared stays; what its code installed goes with the code.
    AddOnRegistrations declared = host.addOn;
    for (auto& command : declared.commands)
        command.handler = nullptr;
    for (auto& menu : declared.menus)
        menu.handler = nullptr;
    declared.palettes.clear();
    declared.eventHandler = nullptr;
    declared.keepLoaded = false;
    declared.resourceModule = -1;
    (void)Unload(true); // the host unloads whatever FreeAddOnData answers
    host.addOn = std::move(declared);
    asleep = true;
    host.wakeAddOn = [this] { return Wake(); };
    return true;
}

bool Session::Wake(std::string* why) {
    if (!asleep)
        return false;
    const AddOnRegistrations declared = host.addOn;
    asleep = false;
    host.wakeAddOn = nullptr;
    const auto refuse = [&](const std::string& reason) {
        if (loaded)
            (void)Unload(true);
        host.addOn = AddOnRegistrations{};
        if (why != nullptr)
            *why = reason;
        return false;
    };
    try {
        if (fromFile)
            Load(image.path);
        else
            LoadInProcess(image);
    } catch (const LoadError& e) {
        return refuse(e.what());
    }
    // The new life's resources, with the declarations of the first.
    const GSResModule resources = host.addOn.resourceModule;
    host.addOn = declared;
    host.addOn.resourceModule = resources;
    if (GSErrCode code = HandOverTable(); code != NoError)
        return refuse("SetImportedFuncAddrs answered " + std::to_string(code));
    if (GSErrCode code = Initialize(); code != NoError)
        return refuse("InitializeAddOn answered " + std::to_string(code));
    return true;
}

} // namespace simhost
