// The host operations the add-on uses beyond the host's published list, as HostFunctions.def
// declares them: a host that lacks one (its slot empty) still gets every import and export, with
// the figures the declaration promises.
#include "cli/LibrarySteps.h"
#include "export/ProductElementsExporter.h"
#include "export/ProjectInfoExporter.h"
#include "import/ImportDispatcher.h"
#include "runtime/Contracts.h"
#include "support/ImportMaterial.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace extensions_test {

using nlohmann::json;
using testing_support::InProcessHost;

// The extensions the list declares in its block "Beyond the host's published list": slot by name.
std::map<std::string, int> DeclaredExtensions() {
    std::istringstream in(simhost::HostListText);
    std::map<std::string, int> declared;
    std::string line;
    bool inBlock = false;
    const std::regex entry(R"(^//   (\d+) (\w+): )");
    while (std::getline(in, line)) {
        if (line.find("Beyond the host's published list") != std::string::npos)
            inBlock = true;
        else if (inBlock && line.rfind("//", 0) != 0)
            break;
        std::smatch m;
        if (inBlock && std::regex_search(line, m, entry))
            declared[m[2]] = std::stoi(m[1]);
    }
    return declared;
}

json Import(const json& product) {
    RunImport(GS::UniString(product.dump(), CC_UTF8));
    return json::parse(LastImportResultText.ToCStr(CC_UTF8));
}

json Composite(const std::vector<std::string>& layers) {
    json list = json::array();
    for (const auto& name : layers)
        list.push_back({{"layerstyle", "Structure"}, {"thickness", 100}, {"product", {{"name", name}}}});
    return {{"importType", "TYPE_IMPORT"},
            {"constructionType", "Wall"},
            {"Name", "Outer"},
            {"uuid", 7},
            {"layers", list}};
}

std::vector<std::string> Titles(const std::string& uuid) {
    std::vector<std::string> titles;
    for (const auto& element :
         json::parse(GetElementsUsingProductText(GS::UniString(uuid, CC_UTF8)).ToCStr(CC_UTF8)))
        titles.push_back(element.at("title").get<std::string>());
    return titles;
}

TEST(Extensions, TheListDeclaresEachWithItsSlot) {
    const auto declared = DeclaredExtensions();
    EXPECT_EQ(declared.size(), 4u);
    for (const auto& [name, slot] : declared) {
        bool listed = false;
        for (const HostOpInfo& op : HostOps)
            listed = listed || (op.name == name && op.slot == slot);
        EXPECT_TRUE(listed) << name << " is not in the list at slot " << slot;
    }
}

// Two materials, a composite product imported twice (the second time with one layer), a tagged
// library part; a wall of the composite, a wall of Clay and an object of the part.
TEST(Extensions, AHostWithoutOneStillImportsAndExports) {
    const char* const full = "";
    // The export's ImportedData: the chair's element count, then Clay's elements and area; Wool,
    // the composite and the chair's area are the same on every host.
    const auto imported = [](int chairs, int clayElements, double clayArea) {
        const auto usage = [](int elements, double area, const char* uuid) {
            return json{
                {"NumOfElements", elements}, {"SuplierData", false}, {"TotalArea", area}, {"Uuid", uuid}};
        };
        json data = json::object();
        data["Families"] = json::array({usage(chairs, 0.0, "p-chair")});
        data["Materials"] = json::array({usage(clayElements, clayArea, "m-clay"), usage(1, 2.0, "m-wool")});
        data["Types"] = json::array({usage(1, 2.0, "7")});
        return data;
    };
    using Users = std::map<std::string, std::vector<std::string>>;
    const Users users = {
        {"m-clay", {"W-clay"}}, {"m-wool", {"W-outer"}}, {"7", {"W-outer"}}, {"p-chair", {"O-chair"}}};
    const auto usersWith = [&users](const std::string& uuid, std::vector<std::string> titles) {
        Users changed = users;
        changed[uuid] = std::move(titles);
        return changed;
    };
    const struct {
        std::string empty; // the extension whose slot is empty
        json imported;     // ImportedData of the export
        Users users;
    } cases[] = {
        {full, imported(1, 1, 3.0), users},
        // The composite keeps its first layers: Clay is still one of them.
        {"ModifyAttributeWithDefinitions", imported(1, 2, 5.0), usersWith("m-clay", {"W-outer", "W-clay"})},
        {"GetAttributeDefinitions", imported(1, 1, 3.0), users},
        {"GetLibraryPartUseCount", imported(0, 1, 3.0), users},
        {"ListLibraryPartObjects", imported(1, 1, 3.0), usersWith("p-chair", {})},
    };
    std::set<std::string> covered;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.empty.empty() ? "every extension" : c.empty + " empty");
        covered.insert(c.empty);
        InProcessHost h;
        if (!c.empty.empty()) {
            h.host.EmptySlot(simhost::ParseOperationName(c.empty)->op);
            ASSERT_EQ(h.session.Rehand(), NoError);
        }
        const json clay = {{"importType", "MATERIAL_IMPORT"},
                           {"name", "Clay"},
                           {"uuid", "m-clay"},
                           {"supplier", {{"name", "S"}}}};
        const json wool = {{"importType", "MATERIAL_IMPORT"},
                           {"name", "Wool"},
                           {"uuid", "m-wool"},
                           {"supplier", {{"name", "S"}}}};
        for (const json& product : {clay, wool, Composite({"Clay", "Wool"}), Composite({"Wool"})})
            EXPECT_EQ(Import(product).value("Success", false), true) << product;
        testing_support::AddTaggedLibraryPart(h.host, "Chair", "p-chair");
        simhost::Element outer, plain;
        outer.guid = GS::Guid::Generate();
        outer.type = ElemTypeWall;
        outer.id = "W-outer";
        outer.structure = simhost::Structure::Composite;
        outer.wallAttribute = 1;
        outer.area = 2.0;
        plain = outer;
        plain.guid = GS::Guid::Generate();
        plain.id = "W-clay";
        plain.structure = simhost::Structure::Material;
        plain.wallAttribute = 1;
        plain.area = 3.0;
        h.host.project.elements.elements = {outer, plain};
        simhost::PlaceLibraryPartObject(h.host, "Chair", 1.0, "O-chair");

        EXPECT_EQ(json::parse(GetProjectInfoText().ToCStr(CC_UTF8)).at("ImportedData"), c.imported);
        for (const auto& [uuid, titles] : c.users)
            EXPECT_EQ(Titles(uuid), titles) << uuid;
    }
    for (const auto& [name, slot] : DeclaredExtensions())
        EXPECT_TRUE(covered.count(name)) << name << " has no row";
}

} // namespace extensions_test
