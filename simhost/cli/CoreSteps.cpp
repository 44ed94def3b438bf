// Steps that drive the add-on's handlers and look at the host's state.
#include "cli/Script.h"
#include "model/Project.h"

namespace simhost {

using nlohmann::json;

namespace {

// A step that needs the add-on loads it again when the host unloaded it while idle.
void RequireLoaded(StepContext& c) {
    if (c.session.IsLoaded())
        return;
    std::string why;
    if (!c.session.IsAsleep())
        throw StepError("the add-on is not loaded");
    if (!c.session.Wake(&why))
        throw StepError("the add-on could not be loaded again: " + why);
}

json Menu(StepContext& c, const json& step) {
    RequireLoaded(c);
    Int16 menu = Int16(IntegerField(step, "menu"));
    Int32 item = Int32(IntegerField(step, "item"));
    // The host sends its menu commands to the add-on that declared the menu.
    auto* declared = c.host.addOn.FindMenu(menu);
    if (declared == nullptr || declared->handler == nullptr)
        throw StepError("no add-on handles menu " + std::to_string(menu));
    API_MenuParams params{};
    params.menuItemRef.menuResID = menu;
    params.menuItemRef.itemIndex = item;
    const GSErrCode result =
        CallAddOn(c.host, "the menu handler", [&] { return declared->handler(&params); });
    return {{"result", result}};
}

json PaletteMessage(StepContext& c, const json& step) {
    RequireLoaded(c);
    Int32 code = Int32(IntegerField(step, "code"));
    if (c.host.addOn.palettes.empty())
        throw StepError("no palette is registered");
    const auto& palette = c.host.addOn.palettes.front();
    bool answer = false;
    const GSErrCode result = CallAddOn(c.host, "the palette-control handler", [&] {
        return palette.handler(palette.referenceId, code, reinterpret_cast<GSIntPtr>(&answer));
    });
    json out = {{"result", result}};
    if (code == 7)
        out["answer"] = answer;
    return out;
}

json ProjectEvent(StepContext& c, const json& step) {
    RequireLoaded(c);
    Int32 code = Int32(IntegerField(step, "code"));
    Int32 param = step.contains("param") ? Int32(IntegerField(step, "param")) : 0;
    auto result = c.host.SendProjectEvent(code, param);
    if (!result)
        throw StepError("the add-on does not take project event " + std::to_string(code));
    return {{"result", *result}};
}

json Language(StepContext& c, const json& step) {
    c.host.language = TextField(step, "code");
    return json::object();
}

json ProjectInfoStep(StepContext& c, const json& step) {
    ProjectInfo& info = c.host.project.info;
    const std::pair<const char*, std::string*> fields[] = {
        {"name", &info.name},      {"author", &info.author}, {"organization", &info.organization},
        {"number", &info.number},  {"status", &info.status}, {"issue_date", &info.issueDate},
        {"address", &info.address}};
    for (const auto& [key, target] : fields)
        if (step.contains(key))
            *target = TextField(step, key);
    return json::object();
}

OperationName OperationField(const json& step) {
    std::string name = TextField(step, "operation");
    auto op = ParseOperationName(name);
    if (!op)
        throw ScriptError("unknown operation \"" + name + "\"");
    return *op;
}

json Fail(StepContext& c, const json& step) {
    OperationName op = OperationField(step);
    // Codes above 2^31 are written as unsigned numbers and wrap to the 32-bit code.
    GSErrCode code = GSErrCode(UInt32(UInt64(IntegerField(step, "code"))));
    c.host.faults.Set(op, code);
    return json::object();
}

json Empty(StepContext& c, const json& step) {
    OperationName op = OperationField(step);
    if (op.selector)
        throw ScriptError("only whole operations have slots; \"" + op.Text() + "\" is a selector");
    c.host.EmptySlot(op.op);
    if (c.session.IsLoaded())
        (void)c.session.Rehand(); // the add-on keeps its own copy of the table
    return json::object();
}

json State(StepContext& c, const json&) {
    return {{"project", ProjectToJson(c.host.project)}};
}

json CountersStep(StepContext& c, const json& step) {
    json counts = json::object();
    for (const auto& [name, n] : c.host.counters.All())
        counts[name.Text()] = n;
    if (step.contains("reset")) {
        if (!step.at("reset").is_boolean())
            throw ScriptError("field \"reset\" must be a boolean");
        if (step.at("reset").get<bool>())
            c.host.counters.Reset();
    }
    return {{"counts", counts}};
}

json DebugLog(StepContext& c, const json&) {
    return {{"lines", c.host.debugLines}};
}

json Reports(StepContext& c, const json&) {
    return {{"lines", c.host.reports}};
}

json MenuFlags(StepContext& c, const json& step) {
    Int16 menu = Int16(IntegerField(step, "menu"));
    Int64 item = IntegerField(step, "item");
    auto* declared = c.host.addOn.FindMenu(menu);
    if (declared == nullptr || item < 1 || size_t(item) > declared->items.size())
        throw StepError("no menu item " + std::to_string(menu) + "/" + std::to_string(item));
    return {{"flags", declared->items[size_t(item) - 1].flags}};
}

json Unload(StepContext& c, const json& step) {
    if (!c.session.IsLoaded() && !c.session.IsAsleep())
        throw StepError("the add-on is not loaded");
    bool free = true;
    if (step.contains("free")) {
        if (!step.at("free").is_boolean())
            throw ScriptError("field \"free\" must be a boolean");
        free = step.at("free").get<bool>();
    }
    return {{"debugLines", c.session.Unload(free)}};
}

const bool coreStepsRegistered =
    RegisterStep("menu", Menu) && RegisterStep("paletteMessage", PaletteMessage) &&
    RegisterStep("projectEvent", ProjectEvent) && RegisterStep("language", Language) &&
    RegisterStep("projectInfo", ProjectInfoStep) && RegisterStep("fail", Fail) &&
    RegisterStep("empty", Empty) && RegisterStep("state", State) && RegisterStep("counters", CountersStep) &&
    RegisterStep("debugLog", DebugLog) && RegisterStep("reports", Reports) &&
    RegisterStep("menuFlags", MenuFlags) && RegisterStep("unload", Unload);

} // namespace
} // namespace simhost
