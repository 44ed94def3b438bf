// Checks of the add-on's entry points and of its life in the host: the host's order, the entry
// guard, unloading with and without FreeAddOnData, and a second life in the same process.
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "validate/AddOnSession.h"
#include "validate/Checks.h"
#include "validate/Validator.h"

#include <cstdio>
#include <filesystem>
#include <set>

namespace simhost::validate {

namespace {

const std::set<HostOp>& OperationsWithoutHandle() {
    static const std::set<HostOp> ops = {
#define QV_HOST_OP(slot, name, result, params, args)
#define QV_HOST_OP_NO_HANDLE(slot, name, result, params, args) HostOp::name,
#include "api/HostFunctions.def"
    };
    return ops;
}

std::string Hex(GSErrCode code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(code));
    return text;
}

std::string CountedOperations(const Counters& counters) {
    std::string names;
    for (const auto& [name, n] : counters.All())
        names += (names.empty() ? "" : ", ") + name.Text();
    return names;
}

const char* const Abnormal = "Abnormal add-on termination";

bool NamesModule(const std::string& line, const std::string& path) {
    std::string canonical = std::filesystem::weakly_canonical(path).string();
    return line == std::string(Abnormal) + " (\"" + path + "\")" ||
           line == std::string(Abnormal) + " (\"" + canonical + "\")";
}

} // namespace

CheckResult LifecycleOrder(CheckContext& c) {
    AddOnSession s(c.options);
    std::vector<std::string>& problems = s.problems;
    s.session.Load(c.options.addOn);
    if (s.session.EntryTable().version != EntryTableVersion)
        problems.push_back("the entry table's version is " + Hex(GSErrCode(s.session.EntryTable().version)));
    if (GSErrCode code = s.session.HandOverTable(); code != NoError)
        problems.push_back("SetImportedFuncAddrs answered " + Hex(code));
    API_AddOnDescription description;
    Int32 kind = s.session.Describe(&description);
    if (kind == 0)
        problems.push_back("DescribeAddOn answered kind 0 once it had the function table");
    if (description.name.IsEmpty())
        problems.push_back("DescribeAddOn gave no name");
    if (!s.host.counters.All().empty())
        problems.push_back("DescribeAddOn called the host: " + CountedOperations(s.host.counters));
    s.host.counters.Reset();
    if (GSErrCode code = s.session.RegisterInterface(); code != NoError)
        problems.push_back("RegisterAddOnInterface answered " + Hex(code));
    // The handle is given only by InitializeAddOn: before it, only the registrations without it.
    for (const auto& [name, n] : s.host.counters.All())
        if (OperationsWithoutHandle().count(name.op) == 0)
            problems.push_back("RegisterAddOnInterface called " + name.Text() +
                               " before the add-on had its handle");
    if (s.host.addOn.menus.empty() && s.host.addOn.commands.empty())
        problems.push_back("RegisterAddOnInterface declared neither a menu nor a module command");
    s.host.counters.Reset();
    if (GSErrCode code = s.session.Initialize(); code != NoError)
        problems.push_back("InitializeAddOn answered " + Hex(code));
    for (const auto& menu : s.host.addOn.menus)
        if (menu.handler == nullptr)
            problems.push_back("menu " + std::to_string(menu.resourceId) +
                               " was declared but has no handler");
    for (const auto& command : s.host.addOn.commands)
        if (command.handler == nullptr)
            problems.push_back("a module command was declared but has no handler");
    if (GSErrCode code = s.session.Free(); code != NoError)
        problems.push_back("FreeAddOnData answered " + Hex(code));
    std::vector<std::string> lines = s.session.Unload(false); // freed above already
    for (const auto& l : lines)
        if (l.find(Abnormal) != std::string::npos)
            problems.push_back("unloading after FreeAddOnData wrote \"" + l + "\"");
    s.CollectViolations();
    CheckResult r = FromProblems(problems, "the entry points in the host's order");
    r.data = {{"kind", kind}, {"name", description.name.ToCStr(CC_UTF8)}};
    return r;
}

CheckResult EntryGuard(CheckContext& c) {
    AddOnSession s(c.options);
    std::vector<std::string>& problems = s.problems;
    s.session.Load(c.options.addOn);
    API_AddOnDescription description;
    if (Int32 kind = s.session.Describe(&description); kind != 0)
        problems.push_back("DescribeAddOn answered " + std::to_string(kind) +
                           " before the function table, not 0");
    const std::pair<const char*, std::function<GSErrCode()>> entries[] = {
        {"RegisterAddOnInterface", [&] { return s.session.RegisterInterface(); }},
        {"InitializeAddOn", [&] { return s.session.Initialize(); }},
        {"FreeAddOnData", [&] { return s.session.Free(); }}};
    for (const auto& [name, call] : entries)
        if (GSErrCode code = call(); code != ErrNotInitialised)
            problems.push_back(std::string(name) + " answered " + Hex(code) +
                               " before the function table, not " + Hex(ErrNotInitialised));
    if (!s.host.counters.All().empty())
        problems.push_back("entry points called the host before the function table: " +
                           CountedOperations(s.host.counters));
    if (!s.host.addOn.menus.empty() || !s.host.addOn.commands.empty() || !s.host.addOn.palettes.empty())
        problems.push_back("entry points registered something before the function table");
    // The guard opens once the table is there: the lifecycle then runs as always.
    s.host.addOnHandle = nullptr;
    LifecycleResult life = s.session.RunLifecycle();
    if (!life.completed)
        problems.push_back("after the refused calls the lifecycle stopped at " + life.failedStep + " with " +
                           Hex(life.code));
    s.Finish(false);
    return FromProblems(problems, "the entry guard");
}

CheckResult UnloadAbnormalTermination(CheckContext& c) {
    std::vector<std::string> problems;
    {
        AddOnSession s(c.options);
        if (!s.Start())
            return s.EndedEarly(Outcome::Failed, "the lifecycle stopped at " + s.lifecycle.failedStep);
        for (const auto& l : s.session.Unload(true))
            if (l.find(Abnormal) != std::string::npos)
                problems.push_back("unloading after FreeAddOnData wrote \"" + l + "\"");
        s.CollectViolations();
        problems.insert(problems.end(), s.problems.begin(), s.problems.end());
    }
    AddOnSession s(c.options);
    if (!s.Start())
        return s.EndedEarly(Outcome::Failed, "the lifecycle stopped at " + s.lifecycle.failedStep);
    int found = 0;
    std::vector<std::string> lines = s.session.Unload(false);
    for (const auto& l : lines)
        if (l.find(Abnormal) != std::string::npos) {
            ++found;
            if (!NamesModule(l, c.options.addOn))
                problems.push_back("the abnormal-termination line does not name the module: \"" + l + "\"");
        }
    if (found != 1)
        problems.push_back("unloading without FreeAddOnData wrote " + std::to_string(found) +
                           " abnormal-termination lines, not one");
    s.CollectViolations();
    problems.insert(problems.end(), s.problems.begin(), s.problems.end());
    CheckResult r = FromProblems(problems, "unloading");
    r.data = {{"unloadLines", lines}};
    return r;
}

CheckResult Reload(CheckContext& c) {
    AddOnSession s(c.options);
    std::vector<std::string>& problems = s.problems;
    Int64 blocks = BM::LiveBlocks();
    std::string firstName;
    for (int life = 1; life <= 2; ++life) {
        std::string which = life == 1 ? "the first life" : "the second life";
        s.session.Load(c.options.addOn);
        // A module loaded again starts from nothing: the table it had before is gone.
        if (GSErrCode code = s.session.RegisterInterface(); code != ErrNotInitialised)
            problems.push_back("in " + which + " RegisterAddOnInterface answered " + Hex(code) +
                               " before the function table");
        LifecycleResult r = s.session.RunLifecycle();
        if (!r.completed) {
            problems.push_back(which + " stopped at " + r.failedStep + " with " + Hex(r.code));
            s.session.Unload(true);
            break;
        }
        if (life == 1)
            firstName = r.name;
        else if (r.name != firstName)
            problems.push_back("the second life describes the add-on as \"" + r.name + "\", the first as \"" +
                               firstName + "\"");
        if (s.host.addOn.menus.empty() && s.host.addOn.commands.empty())
            problems.push_back(which + " registered nothing");
        s.OpenPalette();
        std::vector<std::string> lines = s.session.Unload(true);
        for (const auto& l : lines)
            if (l.find(Abnormal) != std::string::npos)
                problems.push_back(which + ": unloading after FreeAddOnData wrote \"" + l + "\"");
    }
    if (BM::LiveBlocks() != blocks)
        problems.push_back("the host's memory manager holds " + std::to_string(BM::LiveBlocks() - blocks) +
                           " block(s) more after two lives than before (leak)");
    s.CollectViolations();
    return FromProblems(problems, "load, unload, load");
}

// The host unloads an add-on that did not ask to stay loaded whenever it is idle: its palette,
// open on the user's screen, would go with it.
CheckResult KeepLoaded(CheckContext& c) {
    AddOnSession s(c.options);
    if (!s.Start())
        return s.EndedEarly(Outcome::Failed, "the lifecycle stopped at " + s.lifecycle.failedStep);
    // The session's step ends with the host's idle moment.
    s.Step({{"step", "menu"}, {"menu", 32500}, {"item", 1}});
    const bool unloaded = !s.session.IsLoaded();
    if (unloaded)
        s.problems.push_back("after the menu command that opens its palette the add-on did not ask to stay "
                             "loaded (KeepLoaded): the host unloaded it when idle, its palette with it");
    else if (!s.HasScriptObject())
        return s.EndedEarly(Outcome::Skipped, NoScriptObject);
    s.Finish();
    CheckResult r = FromProblems(s.problems, "staying loaded");
    r.data = {{"unloadedWhenIdle", unloaded}};
    return r;
}

} // namespace simhost::validate
