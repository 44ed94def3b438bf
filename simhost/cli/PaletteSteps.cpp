// Steps that play the user's and the page's part on the add-on's palette.
#include "cli/PaletteLookup.h"
#include "cli/Script.h"
#include "dg/Browser.h"

#include <fstream>
#include <sstream>

namespace simhost {

using nlohmann::json;

DG::Palette* FindAddOnPalette(const Host& host) {
    for (DG::Palette* p : DG::Palette::LivePalettes())
        for (const auto& r : host.addOn.palettes)
            if (p->GetGuid() == r.guid)
                return p;
    return nullptr;
}

DG::BrowserBase* FindPaletteBrowser(DG::Palette* palette) {
    if (palette == nullptr)
        return nullptr;
    for (DG::BrowserBase* b : DG::BrowserBase::LiveBrowsers())
        if (auto* item = dynamic_cast<DG::Browser*>(b); item != nullptr && &item->GetPanel() == palette)
            return b;
    return nullptr;
}

namespace {

json PaletteState(StepContext& c) {
    DG::Palette* p = FindAddOnPalette(c.host);
    if (p == nullptr)
        return {{"exists", false}};
    json state = {{"exists", true},
                  {"visible", p->IsVisible()},
                  {"title", p->GetTitle()},
                  {"size", {p->GetWidth(), p->GetHeight()}}};
    bool enabled = true;
    for (const auto& item : p->Items())
        enabled = enabled && item.enabled;
    state["enabled"] = enabled;
    if (DG::BrowserBase* b = FindPaletteBrowser(p)) {
        auto* item = dynamic_cast<DG::Browser*>(b);
        state["browser"] = {{"size", {item->GetWidth(), item->GetHeight()}},
                            {"address", b->GetURL().ToCStr(CC_UTF8)},
                            {"loads", b->LoadCount()}};
    }
    return state;
}

json Palette(StepContext& c, const json&) {
    return {{"palette", PaletteState(c)}};
}

DG::Palette& RequirePalette(StepContext& c) {
    DG::Palette* p = FindAddOnPalette(c.host);
    if (p == nullptr)
        throw StepError("the add-on has no palette");
    return *p;
}

json ClosePalette(StepContext& c, const json&) {
    RequirePalette(c).UserClose();
    return {{"palette", PaletteState(c)}};
}

json ResizePalette(StepContext& c, const json& step) {
    Int32 dx = Int32(IntegerField(step, "dx"));
    Int32 dy = Int32(IntegerField(step, "dy"));
    RequirePalette(c).UserResize(dx, dy);
    return {{"palette", PaletteState(c)}};
}

// The page's argument as the toolkit hands it over.
GS::Ref<DG::JSBase> Argument(StepContext& c, const json& step) {
    if (step.contains("argFile")) {
        std::string name = TextField(step, "argFile");
        std::ifstream in(c.scriptFolder / name, std::ios::binary);
        if (!in)
            throw StepError("cannot read " + name);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return GS::Ref<DG::JSBase>(new DG::JSValue(GS::UniString(bytes.str(), CC_UTF8)));
    }
    if (step.contains("argElement")) {
        // The GUID text of the element placed with that identifying text, as the page would
        // know it from the selection.
        std::string id = TextField(step, "argElement");
        const Element* e = c.host.project.elements.FindById(id);
        if (e == nullptr)
            throw StepError("no element has the id " + id);
        return GS::Ref<DG::JSBase>(new DG::JSValue(GS::UniString(e->guid.ToString(), CC_UTF8)));
    }
    if (step.contains("argJson"))
        return GS::Ref<DG::JSBase>(new DG::JSValue(GS::UniString(step.at("argJson").dump(), CC_UTF8)));
    if (!step.contains("arg") || step.at("arg").is_null())
        return GS::Ref<DG::JSBase>();
    const json& arg = step.at("arg");
    if (arg.is_string())
        return GS::Ref<DG::JSBase>(new DG::JSValue(GS::UniString(arg.get<std::string>(), CC_UTF8)));
    if (arg.is_boolean())
        return GS::Ref<DG::JSBase>(new DG::JSValue(arg.get<bool>()));
    if (arg.is_number())
        return GS::Ref<DG::JSBase>(new DG::JSValue(arg.get<double>()));
    // A page object or array reaches the add-on as a script object, not as a value.
    return GS::Ref<DG::JSBase>(new DG::JSObject(GS::UniString()));
}

json Call(StepContext& c, const json& step) {
    std::string function = TextField(step, "function");
    std::string object = step.contains("object") ? TextField(step, "object") : "jsQuorvelInterface";
    GS::Ref<DG::JSBase> argument = Argument(c, step);
    DG::Palette* p = FindAddOnPalette(c.host);
    DG::BrowserBase* browser = FindPaletteBrowser(p);
    if (browser == nullptr || !p->IsVisible())
        throw StepError("no palette is open");
    DG::JSCallResult r = browser->CallFunction(object, function, argument);
    json out = {{"function", function}};
    if (r.error) {
        out["error"] = *r.error;
        return out;
    }
    auto value = std::dynamic_pointer_cast<DG::JSValue>(r.value.Shared());
    if (!value)
        out["value"] = nullptr;
    else if (value->GetType() == DG::JSValue::STRING)
        out["value"] = value->GetString().ToCStr(CC_UTF8);
    else if (value->GetType() == DG::JSValue::BOOLEAN)
        out["value"] = value->GetBool();
    else if (value->GetType() == DG::JSValue::DOUBLE || value->GetType() == DG::JSValue::INTEGER)
        out["value"] = value->GetDouble();
    else
        out["value"] = nullptr;
    return out;
}

const bool paletteStepsRegistered =
    RegisterStep("palette", Palette) && RegisterStep("closePalette", ClosePalette) &&
    RegisterStep("resizePalette", ResizePalette) && RegisterStep("call", Call);

} // namespace
} // namespace simhost
