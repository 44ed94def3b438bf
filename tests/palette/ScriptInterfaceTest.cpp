#include "palette/ScriptInterface.h"
#include "host/EntryPoints.h"
#include "import/ImportDispatcher.h"
#include "palette/BrowserPalette.h"
#include "runtime/EventLoop.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <variant>

using nlohmann::json;
using testing_support::InProcessHost;

namespace {

using Arg = GS::Ref<DG::JSBase>;

Arg Text(const std::string& text) {
    return Arg(new DG::JSValue(GS::UniString(text)));
}
Arg Number(double value) {
    return Arg(new DG::JSValue(value));
}
Arg Boolean(bool value) {
    return Arg(new DG::JSValue(value));
}

// The page's part: the palette opened from the menu, then a call of the script object.
class Page {
public:
    explicit Page(InProcessHost&) {
        API_MenuParams params{};
        params.menuItemRef.menuResID = 32500;
        params.menuItemRef.itemIndex = 1;
        EXPECT_EQ(OnMenuCommand(&params), NoError);
    }

    // The returned string or boolean, or the message of what left the function.
    using Answer = std::variant<std::string, bool>;
    struct Outcome {
        std::optional<Answer> value;
        std::optional<std::string> error;
    };

    Outcome Call(const std::string& function, Arg argument = Arg()) {
        DG::JSCallResult r = GetPalette().GetBrowser().CallFunction("jsQuorvelInterface", function, argument);
        Outcome out;
        out.error = r.error;
        if (auto v = std::dynamic_pointer_cast<DG::JSValue>(r.value.Shared())) {
            if (v->GetType() == DG::JSValue::STRING)
                out.value = v->GetString().ToCStr();
            else if (v->GetType() == DG::JSValue::BOOLEAN)
                out.value = v->GetBool();
        }
        return out;
    }
    std::string String(const std::string& function, Arg argument = Arg()) {
        Outcome o = Call(function, argument);
        EXPECT_FALSE(o.error) << *o.error;
        if (!o.value || !std::holds_alternative<std::string>(*o.value)) {
            ADD_FAILURE() << function << " answered no string";
            return {};
        }
        return std::get<std::string>(*o.value);
    }
};

json Material(const std::string& name, const std::string& uuid) {
    return {{"importType", "MATERIAL_IMPORT"}, {"name", name}, {"uuid", uuid}, {"supplier", {{"name", "S"}}}};
}

} // namespace

TEST(ScriptInterface, TheObjectHoldsItsSevenFunctionsInOrder) {
    InProcessHost h;
    Page page(h);
    const auto& objects = GetPalette().GetBrowser().RegisteredObjects();
    ASSERT_EQ(objects.size(), 1u);
    std::vector<std::string> names;
    for (const auto& item : objects[0]->GetItems())
        names.push_back(GS::DynamicCast<DG::JSFunction>(item)->GetName().ToCStr());
    EXPECT_EQ(names, (std::vector<std::string>{"import", "getRevitSelection", "AddElementToSelection",
                                               "export", "getNewlyLoadedProjectOverview", "getPluginVersion",
                                               "getElementsUsingProduct"}));
}

TEST(ScriptInterface, ThePluginVersionIsFixedWhateverTheArgument) {
    InProcessHost h;
    Page page(h);
    const std::string version =
        R"({"version_number":"0.0.5", "platform_id": 1, "platform_version_number": 23})";
    for (Arg argument : {Arg(), Text("x"), Number(3), Boolean(true), Arg(new DG::JSObject("other"))})
        EXPECT_EQ(page.String("getPluginVersion", argument), version);
}

TEST(ScriptInterface, ExportAnswersOnlyTheExactKind) {
    InProcessHost h;
    Page page(h);
    json info = json::parse(page.String("export", Text("PROJECT_INFO")));
    EXPECT_TRUE(info.contains("Overview"));
    for (Arg argument :
         {Text("project_info"), Text(""), Text("PROJECT_INFO "), Number(1), Boolean(true), Arg()}) {
        Page::Outcome o = page.Call("export", argument);
        ASSERT_TRUE(o.value);
        EXPECT_EQ(*o.value, Page::Answer(false));
    }
}

TEST(ScriptInterface, ANonValueArgumentIsABadCastAndDoesNothing) {
    InProcessHost h;
    Page page(h);
    size_t attributes = h.host.project.attributes.buildingMaterials.size();
    for (const char* function : {"import", "AddElementToSelection", "export", "getElementsUsingProduct"}) {
        Page::Outcome o = page.Call(function, Arg(new DG::JSObject("notAValue")));
        ASSERT_TRUE(o.error) << function;
        EXPECT_EQ(*o.error, "Bad cast.");
    }
    EXPECT_EQ(h.host.project.attributes.buildingMaterials.size(), attributes);
    EXPECT_TRUE(h.host.posted.empty());
    // Functions that ignore their argument do not look at it.
    EXPECT_FALSE(page.Call("getRevitSelection", Arg(new DG::JSObject("notAValue"))).error);
}

TEST(ScriptInterface, ImportAnswersTheStoredResultAndSurvivesMalformedJson) {
    InProcessHost h;
    Page page(h);
    std::string first = page.String("import", Text(Material("Clay", "11").dump()));
    EXPECT_EQ(first, LastImportResultText.ToCStr());
    EXPECT_EQ(json::parse(first).at("Success"), true);

    Page::Outcome bad = page.Call("import", Text("{\"importType\": "));
    ASSERT_TRUE(bad.error);
    EXPECT_NE(bad.error->find("parse error"), std::string::npos) << *bad.error;
    EXPECT_EQ(LastImportResultText.ToCStr(), first) << "a failed parse keeps the last result";

    std::string next = page.String("import", Text(Material("Lime", "12").dump()));
    EXPECT_EQ(json::parse(next).at("Success"), true);
    EXPECT_EQ(h.host.project.attributes.buildingMaterials.size(), 2u);
}

TEST(ScriptInterface, AddElementToSelectionPostsAndAnswersTrueAtOnce) {
    InProcessHost h;
    Page page(h);
    simhost::Element wall;
    wall.guid = GS::Guid::Generate();
    wall.type = 1;
    h.host.project.elements.elements.push_back(wall);

    Page::Outcome o = page.Call("AddElementToSelection", Text(wall.guid.ToString()));
    ASSERT_TRUE(o.value);
    EXPECT_EQ(*o.value, Page::Answer(true));
    EXPECT_TRUE(h.host.project.selection.guids.empty()) << "selected only from the event loop";
    ASSERT_EQ(h.host.posted.size(), 1u);
    simhost::ModuleParameterList* list = h.host.paramLists.Find(h.host.posted[0].params);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(*list->Find("elemGuid")->stringValue, wall.guid.ToString());
    EXPECT_EQ(list->Find("modification")->intValue, 1);

    auto delivered = simhost::DeliverPostedCommands(h.host);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].result, std::optional<GSErrCode>(NoError));
    EXPECT_EQ(h.host.project.selection.guids, std::vector<GS::Guid>{wall.guid});

    // A number is no text: the command carries an empty GUID text, and the answer is still true.
    o = page.Call("AddElementToSelection", Number(7));
    EXPECT_EQ(*o.value, Page::Answer(true));
    ASSERT_EQ(h.host.posted.size(), 1u);
    EXPECT_EQ(*h.host.paramLists.Find(h.host.posted[0].params)->Find("elemGuid")->stringValue, "");
}

TEST(ScriptInterface, TheNewProjectOverviewIsAnsweredOnce) {
    InProcessHost h;
    Page page(h);
    EXPECT_EQ(page.String("getNewlyLoadedProjectOverview"), "");
    ASSERT_TRUE(h.host.SendProjectEvent(1, 0));
    json overview = json::parse(page.String("getNewlyLoadedProjectOverview"));
    EXPECT_EQ(overview.size(), 8u);
    EXPECT_EQ(page.String("getNewlyLoadedProjectOverview"), "");
}
