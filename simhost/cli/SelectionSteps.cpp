// Steps of the selection and the event loop: the user selects, the host idles.
#include "cli/Script.h"
#include "model/CodeText.h"
#include "model/Project.h"
#include "runtime/EventLoop.h"

namespace simhost {

using nlohmann::json;

namespace {

std::vector<std::string> TextList(const json& step, const char* name) {
    const json& list = Field(step, name);
    if (!list.is_array())
        throw ScriptError(std::string("field \"") + name + "\" must be an array of strings");
    std::vector<std::string> texts;
    for (const auto& item : list) {
        if (!item.is_string())
            throw ScriptError(std::string("field \"") + name + "\" must be an array of strings");
        texts.push_back(item.get<std::string>());
    }
    return texts;
}

json SelectedGuids(const Host& host) {
    return SelectionToJson(host.project.selection);
}

// What the user selects replaces the selection, as a click does.
json Select(StepContext& c, const json& step) {
    bool byGuid = step.contains("guids"), byId = step.contains("ids");
    if (byGuid == byId)
        throw ScriptError("a select step has either \"guids\" or \"ids\"");
    ElementStore& store = c.host.project.elements;
    std::vector<GS::Guid> chosen;
    for (const auto& text : TextList(step, byGuid ? "guids" : "ids")) {
        const Element* element = nullptr;
        if (byGuid) {
            GS::Guid guid(text);
            if (guid.IsNull())
                throw ScriptError("\"" + text + "\" is not a guid");
            element = store.Find(guid);
        } else {
            element = store.FindById(text);
        }
        if (element == nullptr)
            throw StepError("no element " + text);
        chosen.push_back(element->guid);
    }
    c.host.project.selection.Replace(chosen);
    return {{"guids", SelectedGuids(c.host)}};
}

json SelectionStep(StepContext& c, const json&) {
    return {{"guids", SelectedGuids(c.host)}};
}

json Idle(StepContext& c, const json&) {
    json delivered = json::array();
    for (const auto& d : DeliverPostedCommands(c.host))
        delivered.push_back({{"command", CodeText(d.code)},
                             {"version", d.version},
                             {"result", d.result ? json(*d.result) : json(nullptr)}});
    return {{"delivered", delivered}};
}

const bool selectionStepsRegistered =
    RegisterStep("select", Select) && RegisterStep("selection", SelectionStep) && RegisterStep("idle", Idle);

} // namespace
} // namespace simhost
