// The export's one walk over the elements gives, text for text, the figures of a scan made for
// each tagged item alone, on projects drawn at random.
#include "export/ProjectInfoExporter.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "support/DrawnElements.h"
#include "support/ImportMaterial.h"
#include "support/InProcessHost.h"
#include "support/PerItemUsageScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

using nlohmann::json;
using testing_support::ImportMaterial;
using testing_support::InProcessHost;

namespace {

// Layers of one to four building materials of the project, drawn at random.
json Layers(const simhost::Project& project, const std::function<int(int, int)>& draw) {
    json layers = json::array();
    const auto& materials = project.attributes.buildingMaterials;
    for (int l = draw(1, 4); l > 0; --l)
        layers.push_back(
            {{"layerstyle", "Structure"},
             {"thickness", draw(10, 300)},
             {"product", {{"name", materials.at(size_t(draw(1, int(materials.size())) - 1)).name}}}});
    return layers;
}

void ImportComposite(const std::string& name, int uuid, const json& layers, const char* kind) {
    RunImport(GS::UniString(json{
        {"importType", "TYPE_IMPORT"},
        {"constructionType", kind},
        {"Name", name},
        {"uuid", uuid},
        {"layers", layers}}.dump()));
}

// Tagged materials between untagged ones, tagged composites and untagged ones whose skins share
// those materials, tagged library parts with objects, and walls, slabs and roofs made of either,
// some of whose quantities cannot be computed. Indices of materials and composites overlap on
// purpose. After the drawing the project is edited: composites take other layers, building
// materials (some of them skins) and now and then a composite are deleted.
void DrawProject(InProcessHost& h, std::mt19937& random) {
    std::function<int(int, int)> draw = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    simhost::Project& project = h.host.project;
    const int materials = draw(1, 6);
    for (int m = 1; m <= materials; ++m) {
        if (draw(0, 3) == 0) {
            simhost::BuildingMaterial untagged;
            untagged.guid = GS::Guid::Generate();
            untagged.name = "Plain " + std::to_string(m);
            project.attributes.buildingMaterials.push_back(untagged);
        } else {
            ImportMaterial("M" + std::to_string(m), "m-" + std::to_string(m));
        }
    }
    const char* kinds[] = {"Wall", "Floor", "Roof"};
    std::vector<Int32> tagged;
    for (int c = draw(0, 8); c > 0; --c) {
        if (draw(0, 1) == 0) {
            std::vector<Int32> skins;
            for (int l = draw(1, 3); l > 0; --l)
                skins.push_back(draw(1, materials));
            testing_support::AddComposite(project, skins); // untagged
        } else {
            const int n = int(project.attributes.composites.size()) + 1;
            ImportComposite("C" + std::to_string(n), n, Layers(project, draw), kinds[draw(0, 2)]);
            tagged.push_back(n);
        }
    }
    for (int p = 1; p <= draw(0, 3); ++p) {
        simhost::LibraryPart part;
        part.name = "Part " + std::to_string(p);
        part.origin = "created";
        part.parameters = std::vector<simhost::LibraryParameter>{
            {15, "Q7_QV_UUID", "QV_UUID", 0, std::nullopt, 0.0, std::nullopt},
            {12, "Q7_QV_UUID", "QV_UUID", 1, "p-" + std::to_string(p), 0.0, std::nullopt}};
        project.libraries.parts.push_back(part);
    }
    const Int32 parts = Int32(project.libraries.parts.size());
    const Int32 materialCount = Int32(project.attributes.buildingMaterials.size());
    const Int32 compositeCount = Int32(project.attributes.composites.size());
    for (int n = draw(0, 120); n > 0; --n) {
        simhost::Element e;
        e.guid = GS::Guid::Generate();
        const Int32 types[] = {ElemTypeWall, ElemTypeSlab, ElemTypeRoof, ElemTypeObject};
        e.type = types[draw(0, parts > 0 ? 3 : 2)];
        e.area = draw(0, 100000) / 1000.0;
        e.quantitiesFail = draw(0, 9) == 0;
        if (e.type == ElemTypeObject) {
            e.libraryPart = "Part " + std::to_string(draw(1, parts));
        } else if (compositeCount > 0 && draw(0, 1) == 0) {
            e.structure = simhost::Structure::Composite;
            simhost::OwnReference(e) = draw(1, compositeCount);
        } else {
            // Any reference may name the element's material, 0 or one the project does not have.
            for (Int32* reference : {&e.wallAttribute, &e.roofAttribute, &e.slabAttribute, &e.extraAttribute})
                if (draw(0, 2) == 0)
                    *reference = draw(0, materialCount + 1);
        }
        project.elements.elements.push_back(e);
    }
    // The user edits what the elements are made of.
    for (Int32 c = 1; c <= compositeCount; ++c) {
        if (draw(0, 1) != 0)
            continue;
        if (std::find(tagged.begin(), tagged.end(), c) != tagged.end()) {
            // The product again, with other layers.
            ImportComposite("C" + std::to_string(c), c, Layers(project, draw), kinds[draw(0, 2)]);
        } else {
            // The user's own composite loses a layer, or takes another material in one.
            auto& skins = project.attributes.composites[size_t(c - 1)].skins;
            const size_t layer = size_t(draw(0, int(skins.size()) - 1));
            if (skins.size() > 1 && draw(0, 1) == 0)
                skins.erase(skins.begin() + std::ptrdiff_t(layer));
            else
                skins[layer].buildingMaterial = draw(1, materials);
        }
    }
    for (Int32 m = 1; m <= materialCount; ++m)
        if (draw(0, 4) == 0)
            (void)project.attributes.Delete(AttrTypeBuildingMaterial,
                                            project.attributes.buildingMaterials[size_t(m - 1)].name);
    if (compositeCount > 0 && draw(0, 3) == 0)
        (void)project.attributes.Delete(
            AttrTypeComposite, project.attributes.composites[size_t(draw(1, compositeCount) - 1)].name);
    // Now and then the host reads no element records at all: every reference reads 0.
    if (draw(0, 4) == 0)
        h.host.faults.Set({HostOp::GetElement, std::nullopt}, ErrGeneral);
}

} // namespace

// The export measures only the elements that may use a tagged item; its figures are those of a
// walk that measures every element, and of a scan made for each item alone.
TEST(UsageFigures, TheOneWalkGivesThePerItemScansFiguresOnRandomProjects) {
    UInt64 skipped = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        InProcessHost h;
        std::mt19937 random(seed);
        DrawProject(h, random);
        const json exported = json::parse(GetProjectInfoText().ToCStr(CC_UTF8))["ImportedData"];
        const json perItem = {{"Materials", UsageListJson(reference::ListTaggedMaterials())},
                              {"Types", UsageListJson(reference::ListTaggedComposites())},
                              {"Families", UsageListJson(ListTaggedLibraryParts())}};
        ASSERT_EQ(exported.dump(), perItem.dump()) << "seed " << seed;

        const auto materials = FindTaggedMaterials();
        const auto composites = FindTaggedComposites();
        UsageScan users, every(UsageScan::Measure::EveryElement);
        for (UsageScan* scan : {&users, &every}) {
            Track(*scan, materials);
            Track(*scan, composites);
        }
        EXPECT_EQ(UsageListJson(UsageOf(users, materials)).dump(),
                  UsageListJson(UsageOf(every, materials)).dump());
        EXPECT_EQ(UsageListJson(UsageOf(users, composites)).dump(),
                  UsageListJson(UsageOf(every, composites)).dump());
        EXPECT_EQ(users.UsersOfTracked(), every.UsersOfTracked()) << "seed " << seed;
        skipped += every.MeasuredElements() - users.MeasuredElements();
    }
    EXPECT_GT(skipped, 0u) << "the projects drawn have elements that use no tagged item";
}
