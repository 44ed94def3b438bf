#include "palette/ScriptInterface.h"

#include "export/ProductElementsExporter.h"
#include "export/ProjectInfoExporter.h"
#include "export/ProjectOverviewExporter.h"
#include "export/SelectionExporter.h"
#include "host/SelectCommand.h"
#include "import/ImportDispatcher.h"
#include "palette/BrowserPalette.h"

namespace {

using Result = GS::Ref<DG::JSBase>;

Result StringValue(const GS::UniString& text) {
    return Result(new DG::JSValue(text));
}
Result BooleanValue(bool value) {
    return Result(new DG::JSValue(value));
}

constexpr const char* PluginVersion =
    R"({"version_number":"0.0.5", "platform_id": 1, "platform_version_number": 23})";

struct ScriptFunction {
    const char* name;
    Result (*call)(GS::Ref<DG::JSBase> argument);
};

// In the order they are added to the object.
const ScriptFunction Functions[] = {
    {"import",
     [](GS::Ref<DG::JSBase> argument) {
         RunImport(ArgumentText(argument));
         return StringValue(LastImportResultText);
     }},
    {"getRevitSelection", [](GS::Ref<DG::JSBase>) { return StringValue(GetSelectionText()); }},
    {"AddElementToSelection",
     [](GS::Ref<DG::JSBase> argument) {
         PostSelectCommand(ArgumentText(argument), 1);
         return BooleanValue(true);
     }},
    {"export",
     [](GS::Ref<DG::JSBase> argument) {
         if (!(ArgumentText(argument) == GS::UniString(ProjectInfoExportKind)))
             return BooleanValue(false);
         return StringValue(GetProjectInfoText());
     }},
    {"getNewlyLoadedProjectOverview",
     [](GS::Ref<DG::JSBase>) { return StringValue(GetNewlyLoadedProjectOverviewText()); }},
    {"getPluginVersion", [](GS::Ref<DG::JSBase>) { return StringValue(GS::UniString(PluginVersion)); }},
    {"getElementsUsingProduct",
     [](GS::Ref<DG::JSBase> argument) {
         return StringValue(GetElementsUsingProductText(ArgumentText(argument)));
     }},
};

} // namespace

GS::UniString ArgumentText(const GS::Ref<DG::JSBase>& argument) {
    if (argument.IsNull())
        return GS::UniString();
    auto value = GS::DynamicCast<DG::JSValue>(argument); // raises "Bad cast." for another kind
    if (value->GetType() != DG::JSValue::STRING)
        return GS::UniString();
    return value->GetString();
}

void RegisterScriptInterface(BrowserPalette& palette) {
    GS::Ref<DG::JSObject> object(new DG::JSObject("jsQuorvelInterface"));
    for (const auto& f : Functions)
        object->AddItem(GS::Ref<DG::JSBase>(new DG::JSFunction(f.name, f.call)));
    (void)palette.GetBrowser().RegisterJSObject(object); // registered once per palette
}
