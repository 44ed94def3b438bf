// The elements that use an imported product, as the page asks for them to select them.
#include "export/ProductElementsExporter.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "support/ImportMaterial.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using nlohmann::json;
using testing_support::ImportMaterial;
using testing_support::InProcessHost;

namespace {

GS::Guid Place(InProcessHost& h, Int32 type, const std::string& id, Int32 reference,
               simhost::Structure structure = simhost::Structure::Material, bool quantitiesFail = false) {
    simhost::Element e;
    e.guid = GS::Guid::Generate();
    e.type = type;
    e.id = id;
    e.area = 1.0;
    (type == ElemTypeRoof   ? e.roofAttribute
     : type == ElemTypeSlab ? e.slabAttribute
                            : e.wallAttribute) = reference;
    if (type == ElemTypeObject) {
        e.wallAttribute = 0;
        e.libraryPart = "Chair"; // the one part of the project
    }
    e.structure = structure;
    e.quantitiesFail = quantitiesFail;
    h.host.project.elements.elements.push_back(e);
    return e.guid;
}

std::vector<std::string> Ids(const std::string& text) {
    std::vector<std::string> ids;
    for (const auto& element : json::parse(text))
        ids.push_back(element.at("title").get<std::string>());
    return ids;
}

} // namespace

TEST(ProductElements, TheElementsThatCountForTheProductInHostOrder) {
    InProcessHost h;
    ImportMaterial("Clay", "m-clay"); // 1
    ImportMaterial("Wool", "m-wool"); // 2
    RunImport(GS::UniString(
        json{{"importType", "TYPE_IMPORT"},
             {"constructionType", "Wall"},
             {"Name", "Outer"},
             {"uuid", 7},
             {"layers", {{{"layerstyle", "Structure"}, {"thickness", 100}, {"product", {{"name", "Wool"}}}}}}}
            .dump()));
    testing_support::AddTaggedLibraryPart(h.host, "Chair", "p-chair");

    Place(h, ElemTypeRoof, "R-clay", 1);
    Place(h, ElemTypeWall, "W-outer", 1, simhost::Structure::Composite); // composite 1: Wool is its skin
    Place(h, ElemTypeWall, "W-clay", 1);
    Place(h, ElemTypeSlab, "S-wool", 2);
    Place(h, ElemTypeWall, "W-broken", 1, simhost::Structure::Material,
          true); // quantities cannot be computed
    Place(h, ElemTypeObject, "O-chair", 1);
    Place(h, ElemTypeWall, "W-none", 0);

    const struct {
        std::string uuid;
        std::vector<std::string> ids;
    } cases[] = {
        {"m-clay", {"W-clay", "R-clay"}}, // walls, slabs, roofs: the walk's order
        {"m-wool", {"W-outer", "S-wool"}},
        {"7", {"W-outer"}},
        {"p-chair", {"O-chair"}},
        {"nobody", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Ids(GetElementsUsingProductText(GS::UniString(c.uuid)).ToCStr(CC_UTF8)), c.ids) << c.uuid;

    const json outer = json::parse(GetElementsUsingProductText(GS::UniString("7")).ToCStr(CC_UTF8)).at(0);
    EXPECT_EQ(outer, json({{"full_title", "W-outer"},
                           {"guid", h.host.project.elements.elements[1].guid.ToString()},
                           {"thumbnail", "/images/icons/icon-wall-color.svg"},
                           {"title", "W-outer"},
                           {"type", "Wall"},
                           {"url", "#"}}));
    EXPECT_EQ(GetElementsUsingProductText(GS::UniString()).ToCStr(CC_UTF8), "[]");
}
