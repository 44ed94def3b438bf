// Tagged composite structures and how the project's elements use them.
#include "export/ProductUsage.h"
#include "export/ProjectInfoExporter.h"
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "host/ProductTag.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <functional>

using nlohmann::json;
using testing_support::InProcessHost;

namespace {

// Three untagged materials first, so the layers' materials (4, 5) never share an index with a
// composite (1, 2, …).
void AddPadding(InProcessHost& h) {
    for (const char* name : {"P1", "P2", "P3"}) {
        simhost::BuildingMaterial m;
        m.guid = GS::Guid::Generate();
        m.name = name;
        h.host.project.attributes.buildingMaterials.push_back(m);
    }
}

void ImportComposite(const std::string& name, int uuid) {
    json layer1 = {{"layerstyle", "Structure"}, {"thickness", 100}, {"product", {{"name", "Brick"}}}};
    json layer2 = {{"layerstyle", "Thermal"}, {"thickness", 40}, {"product", {{"name", "Wool"}}}};
    json p = {{"importType", "TYPE_IMPORT"},
              {"constructionType", "Wall"},
              {"Name", name},
              {"uuid", uuid},
              {"layers", {layer1, layer2}}};
    RunImport(GS::UniString(p.dump(), CC_UTF8));
}

// A wall drawn with the composite: its reference names it.
void PlaceWall(InProcessHost& h, Int32 composite, double area) {
    simhost::Element e;
    e.guid = GS::Guid::Generate();
    e.type = ElemTypeWall;
    e.wallAttribute = composite;
    e.structure = simhost::Structure::Composite;
    e.area = area;
    h.host.project.elements.elements.push_back(e);
}

} // namespace

TEST(CompositeUsage, TaggedCompositesAreListedWithTheWallsPlacedWithThem) {
    InProcessHost h;
    AddPadding(h);
    ImportComposite("Outer", 12);
    ImportComposite("Inner", 7);
    ASSERT_EQ(h.host.project.attributes.composites.size(), 2u);
    PlaceWall(h, 1, 3.0);
    PlaceWall(h, 1, 4.5);
    h.TakeDebugLines();

    const ProductUsageList list = ListTaggedComposites();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Uuid, "12");
    EXPECT_EQ(list[0].NumOfElements, 2);
    EXPECT_EQ(list[0].TotalArea, 7.5);
    EXPECT_FALSE(list[0].SuplierData);
    EXPECT_EQ(list[1].Uuid, "7");
    EXPECT_EQ(list[1].NumOfElements, 0);
    EXPECT_EQ(list[1].TotalArea, 0.0);
    EXPECT_EQ(h.TakeDebugLines(),
              (std::vector<std::string>{"Q7_QV_UUID", "12", "Type - 1", "Q7_QV_UUID", "7", "Type - 2"}));

    // The layers' materials see the skins' entries.
    UsageScan scan;
    scan.Track(AttrTypeBuildingMaterial, 4);
    scan.Track(AttrTypeComposite, 4);
    EXPECT_EQ(scan.CountAttributeUses(AttrTypeBuildingMaterial, 4), 2)
        << "material 4 is a skin of both walls";
    EXPECT_EQ(scan.SumAttributeArea(AttrTypeBuildingMaterial, 4), 7.5);
    EXPECT_EQ(scan.CountAttributeUses(AttrTypeComposite, 4), 0) << "the entries name building materials";
}

// Building material 1 and composite 1 are different attributes; each is listed with its own
// uses. The element record does not say which a reference names: an element with composite
// entries is made of a composite, any other of a building material.
TEST(CompositeUsage, AMaterialAndACompositeOfTheSameIndexCountOnlyTheirOwnUses) {
    InProcessHost h;
    RunImport(GS::UniString(
        R"({"importType":"MATERIAL_IMPORT","name":"Clay","uuid":"m-1","supplier":{"name":"S"}})"));
    json clayLayer = {{"layerstyle", "Structure"}, {"thickness", 100}, {"product", {{"name", "Clay"}}}};
    json woolLayer = {{"layerstyle", "Thermal"}, {"thickness", 40}, {"product", {{"name", "Wool"}}}};
    RunImport(GS::UniString(json{{"importType", "TYPE_IMPORT"},
                                 {"constructionType", "Wall"},
                                 {"Name", "Outer"},
                                 {"uuid", 12},
                                 {"layers", {clayLayer, woolLayer}}}
                                .dump()));
    ASSERT_EQ(h.host.project.attributes.buildingMaterials.size(), 2u) << "Clay is reused, Wool is new";
    ASSERT_EQ(h.host.project.attributes.composites.size(), 1u);
    simhost::Element slab;
    slab.guid = GS::Guid::Generate();
    slab.type = ElemTypeSlab;
    slab.slabAttribute = 1;
    slab.area = 2.0;
    h.host.project.elements.elements.push_back(slab);
    PlaceWall(h, 1, 3.0);

    const ProductUsageList materials = ListTaggedMaterials();
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(materials[0].Uuid, "m-1");
    EXPECT_EQ(materials[0].NumOfElements, 2) << "the slab's reference and the wall's Clay skin";
    EXPECT_EQ(materials[0].TotalArea, 5.0);
    UsageScan wool;
    wool.Track(AttrTypeBuildingMaterial, 2);
    EXPECT_EQ(wool.CountAttributeUses(AttrTypeBuildingMaterial, 2), 1) << "Wool: the wall's skin";
    EXPECT_EQ(wool.SumAttributeArea(AttrTypeBuildingMaterial, 2), 3.0);
    const ProductUsageList composites = ListTaggedComposites();
    ASSERT_EQ(composites.size(), 1u);
    EXPECT_EQ(composites[0].Uuid, "12");
    EXPECT_EQ(composites[0].NumOfElements, 1) << "the wall only, not the slab of material 1";
    EXPECT_EQ(composites[0].TotalArea, 3.0);
}

TEST(CompositeUsage, OneScanServesMaterialsAndComposites) {
    InProcessHost h;
    AddPadding(h);
    ImportComposite("Outer", 12);
    for (int i = 0; i < 4; ++i)
        PlaceWall(h, 1, 1.0);
    RunImport(GS::UniString(
        R"({"importType":"MATERIAL_IMPORT","name":"Clay","uuid":"m-1","supplier":{"name":"S"}})"));
    h.host.counters.Reset();
    const json info = json::parse(GetProjectInfoText().ToCStr(CC_UTF8))["ImportedData"];
    EXPECT_EQ(info["Types"].at(0)["NumOfElements"], 4);
    EXPECT_EQ(info["Materials"].at(0)["NumOfElements"], 0);
    EXPECT_EQ(h.host.counters.Of("GetElementQuantities"), 4u) << "each element once";
    EXPECT_EQ(h.host.counters.Of("ListElementsByType"), 3u);
}

TEST(CompositeUsage, AnEmptyIdentifierIsNotListedButItsTwoDebugLinesAreWritten) {
    InProcessHost h;
    ImportComposite("Outer", 12);
    ImportComposite("Inner", 7);
    h.host.project.attributes.composites[0].userData->bytes = ProductTagBytes("", "Q7_QV_UUID");
    h.TakeDebugLines();
    const ProductUsageList list = ListTaggedComposites();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Uuid, "7");
    EXPECT_EQ(h.TakeDebugLines(),
              (std::vector<std::string>{"Q7_QV_UUID", "", "Q7_QV_UUID", "7", "Type - 2"}));
}

// The tag is user data the host keeps as bytes: it outlives the add-on's blocks and the project
// file, old files' tags included.
TEST(CompositeUsage, TheTagOutlivesTheProjectFile) {
    InProcessHost h;
    ImportComposite("Outer", 12);
    ImportComposite("Inner", 7);
    json file = simhost::ProjectToJson(h.host.project);
    h.host.project = simhost::ProjectFromJson(file, "saved.json");
    file["attributes"]["composites"][1]["userData"] = {
        {"version", 0}, {"platformSign", PlatformSignature}, {"texts", {"8", "Q7_QV_UUID"}}};
    const simhost::Project older = simhost::ProjectFromJson(file, "older.json");
    for (const auto& [project, uuids] : {std::pair{h.host.project, std::vector<std::string>{"12", "7"}},
                                         std::pair{older, std::vector<std::string>{"12", "8"}}}) {
        h.host.project = project;
        std::vector<std::string> listed;
        for (const auto& usage : ListTaggedComposites())
            listed.push_back(usage.Uuid);
        EXPECT_EQ(listed, uuids);
    }
}

TEST(CompositeUsage, AFailureDropsWhatItConcernsWithoutDebugLines) {
    const struct {
        const char* what;
        std::function<void(InProcessHost&)> fault;
        std::vector<std::string> listed;
    } cases[] = {
        {"no count",
         [](InProcessHost& h) {
             h.host.faults.Set(*simhost::ParseOperationName("GetAttributeCount"), ErrGeneral);
         },
         {}},
        {"no attribute",
         [](InProcessHost& h) {
             h.host.faults.Set(*simhost::ParseOperationName("GetAttribute"), ErrGeneral);
         },
         {}},
        {"no user data read",
         [](InProcessHost& h) {
             h.host.faults.Set(*simhost::ParseOperationName("GetAttributeUserData"), ErrGeneral);
         },
         {}},
        {"the first has no user data",
         [](InProcessHost& h) { h.host.project.attributes.composites[0].userData.reset(); },
         {"7"}},
        {"the first holds user data that is no tag",
         [](InProcessHost& h) { h.host.project.attributes.composites[0].userData->bytes = "\x05"; },
         {"7"}},
        {"no block", [](InProcessHost&) { BM::FailAllocations(0, 1); }, {"7"}},
        // The first tag fits the block as it is; the block grows for a longer one.
        {"the block cannot grow to the first's data",
         [](InProcessHost& h) {
             h.host.project.attributes.composites[0].userData->bytes = ProductTagBytes("1234", "Q7_QV_UUID");
             BM::FailAllocations(1, 1);
         },
         {"7"}},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        ImportComposite("Outer", 12);
        ImportComposite("Inner", 7);
        h.TakeDebugLines();
        const Int64 live = BM::LiveBlocks();
        c.fault(h);
        const ProductUsageList list = ListTaggedComposites();
        BM::ClearFailures();
        std::vector<std::string> uuids;
        for (const auto& usage : list)
            uuids.push_back(usage.Uuid);
        EXPECT_EQ(uuids, c.listed) << c.what;
        std::vector<std::string> debug;
        if (!c.listed.empty())
            debug = {"Q7_QV_UUID", "7", "Type - 2"};
        EXPECT_EQ(h.TakeDebugLines(), debug) << c.what;
        EXPECT_EQ(BM::LiveBlocks(), live) << c.what;
    }
}
