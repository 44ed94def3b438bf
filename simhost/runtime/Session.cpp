#include "runtime/Session.h"

#include "gs/AddOnCode.h"
#include "gs/Resources.h"
#include "runtime/EventLoop.h"
#include "runtime/System.h"

#include <algorithm>

namespace simhost {

namespace {

GSResModule NewModule(const std::vector<GSResModule>& before) {
    for (GSResModule m : RSOpenModules())
        if (std::find(before.begin(), before.end(), m) == before.end())
            return m;
    return -1;
}

} // namespace

Session::Session(Host& h) : host(h) {}

Session::~Session() {
    if (loaded)
        Unload(true);
}

void Session::Load(const std::string& path) {
    if (loaded)
        throw LoadError("an add-on is loaded already");
    auto before = RSOpenModules();
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
    host.addOn.resourceModule = NewModule(before);
    loaded = true;
    ReadEntryTable();
}

void Session::LoadInProcess(AddOnImage in) {
    if (loaded)
        throw LoadError("an add-on is loaded already");
    auto before = RSOpenModules();
    image = std::move(in);
    if (image.load)
        image.load();
    host.addOn = AddOnRegistrations{};
    host.addOn.resourceModule = NewModule(before);
    loaded = true;
    ReadEntryTable();
}

void Session::ReadEntryTable() {
    entries = AddOnEntryTable{};
    GS::AddOnCodeScope addOn(true);
    image.getExported(&entries);
}

GSErrCode Session::HandOverTable() {
    tableHanded = true;
    GS::AddOnCodeScope addOn(true);
    return image.setImported(&host.table);
}

Int32 Session::Describe(API_AddOnDescription* description) {
    GS::AddOnCodeScope addOn(true);
    return entries.describeAddOn ? entries.describeAddOn(description) : 0;
}

GSErrCode Session::RegisterInterface() {
    GS::AddOnCodeScope addOn(true);
    return entries.registerAddOnInterface ? entries.registerAddOnInterface() : ErrMissingEntry;
}

GSErrCode Session::Initialize() {
    if (entries.initializeAddOn == nullptr)
        return ErrMissingEntry;
    host.addOnHandle = &handleToken;
    GS::AddOnCodeScope addOn(true);
    return entries.initializeAddOn(host.addOnHandle);
}

GSErrCode Session::Free() {
    GS::AddOnCodeScope addOn(true);
    return entries.freeAddOnData ? entries.freeAddOnData() : ErrMissingEntry;
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
    host.addOn = AddOnRegistrations{};
    DiscardPostedCommands(host);
    host.addOnIdentifier.reset();
    return {host.debugLines.begin() + std::ptrdiff_t(firstLine), host.debugLines.end()};
}

} // namespace simhost
