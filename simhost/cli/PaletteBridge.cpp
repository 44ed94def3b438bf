#include "cli/PaletteBridge.h"

#include "cli/HttpAnswer.h"
#include "cli/PaletteLookup.h"
#include "dg/Browser.h"

#include <algorithm>
#include <cctype>

namespace simhost {

using nlohmann::json;

std::string WithBridge(const std::string& page, const std::string& token) {
    std::string tag = "<script src=\"/" + token + "/bridge.js\"></script>";
    std::string lower = page;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    size_t head = lower.find("<head");
    if (head != std::string::npos) {
        size_t end = lower.find('>', head);
        if (end != std::string::npos)
            return page.substr(0, end + 1) + tag + page.substr(end + 1);
    }
    return tag + page;
}

json RegisteredObjects(const Host& host) {
    json objects = json::object();
    DG::Palette* palette = FindAddOnPalette(host);
    DG::BrowserBase* browser = FindPaletteBrowser(palette);
    if (browser == nullptr)
        return objects;
    for (const auto& object : browser->RegisteredObjects()) {
        json functions = json::array();
        for (const auto& item : object->GetItems())
            if (auto* f = dynamic_cast<DG::JSFunction*>(item.Get()))
                functions.push_back(f->GetName().ToCStr(CC_UTF8));
        objects[object->GetName().ToCStr(CC_UTF8)] = functions;
    }
    return objects;
}

std::string BridgeScript(const std::string& script, const json& objects) {
    return "(function (registered) {\n" + script + "\n})(" + objects.dump() + ");\n";
}

HostAnswer BridgeCall(StepContext& context, EventLog& log, const json& request) {
    if (!request.is_object() || !request.contains("function") || !request["function"].is_string())
        return {400, ErrorAnswer("a call names its \"function\"")};
    json step = {{"step", "call"}, {"function", request["function"]}};
    if (request.contains("object")) {
        if (!request["object"].is_string())
            return {400, ErrorAnswer("\"object\" must be a text")};
        step["object"] = request["object"];
    }
    if (request.contains("arg"))
        step["arg"] = request["arg"];
    std::string name = request["function"].get<std::string>();
    try {
        json line = RunStep(context, step);
        if (line.contains("error")) {
            log.Add("call", name + " threw: " + line["error"].get<std::string>(), false);
            return {200, ErrorAnswer(line["error"].get<std::string>())};
        }
        const json& value = line["value"];
        log.Add("call", name + " → " + Shortened(value.is_string() ? value.get<std::string>() : value.dump()),
                true);
        return {200, {{"value", value}}};
    } catch (const StepError& e) {
        log.Add("call", name + " refused: " + e.what(), false);
        return {409, ErrorAnswer(e.what())};
    } catch (const ScriptError& e) {
        return {400, ErrorAnswer(e.what())};
    }
}

} // namespace simhost
