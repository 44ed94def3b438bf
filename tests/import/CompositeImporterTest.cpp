#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "import/AttributeImporter.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "model/ProjectEdits.h"
#include "support/ImportMaterial.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>

// The unity build compiles this file with others of its folder; its helpers keep their own names.
namespace composite_importer_test {

using nlohmann::json;
using namespace nlohmann::literals;
using testing_support::InProcessHost;

namespace {

json Layer(const std::string& product, json thickness, const char* style = "Thermal") {
    return {{"layerstyle", style},
            {"thickness", std::move(thickness)},
            {"product", {{"name", product}, {"layerstyle", "Finish"}}}};
}

json Composite(const std::string& type, json layers, json uuid = 12) {
    return {{"importType", "TYPE_IMPORT"},
            {"constructionType", type},
            {"Name", "Wall " + type},
            {"uuid", std::move(uuid)},
            {"layers", std::move(layers)}};
}

// The tag user data the composite holds, or should hold for a product identifier: the identifier
// and the tag name, written as host strings.
std::string Tag(const std::string& uuid, const char* tagName = "Q7_QV_UUID") {
    std::string bytes;
    GS::AppendSerialized(bytes, GS::UniString(uuid));
    GS::AppendSerialized(bytes, GS::UniString(tagName));
    return bytes;
}
std::string Tag(const simhost::Composite& c) {
    return c.userData ? c.userData->bytes : "(none)";
}

json ThreeLayers() {
    return json::array(
        {Layer("Brick", 100, "Structure"), Layer("Wool", 50), Layer("Plaster", 12.5, "Finish")});
}

std::string Import(const json& product) {
    RunImport(GS::UniString(product.dump(), CC_UTF8));
    return LastImportResultText.ToCStr();
}

const simhost::AttributeStore& Store(const InProcessHost& h) {
    return h.host.project.attributes;
}

// Nothing at all was made in the project.
void ExpectNothingCreated(const InProcessHost& h, const std::string& what) {
    for (const char* op : {"CreateAttribute", "ModifyAttribute", "CreateAttributeWithDefinitions",
                           "SetAttributeUserData", "CreateClassificationSystem"})
        EXPECT_EQ(h.host.counters.Of(op), 0u) << what << ": " << op;
    EXPECT_TRUE(Store(h).buildingMaterials.empty()) << what;
    EXPECT_TRUE(Store(h).composites.empty()) << what;
}

} // namespace

TEST(CompositeImporter, LayersBecomeSkinsOfTheirOwnMaterialsAndTheCompositeIsTagged) {
    InProcessHost h;
    EXPECT_EQ(json::parse(Import(Composite("WALL", ThreeLayers())))["Success"], true);

    ASSERT_EQ(Store(h).buildingMaterials.size(), 3u);
    const auto& brick = Store(h).buildingMaterials[0];
    EXPECT_EQ(brick.name, "Brick");
    EXPECT_EQ(brick.cutFill, 17) << "the layer's style replaces the product's";
    EXPECT_EQ(Store(h).buildingMaterials[1].cutFill, 5);
    EXPECT_EQ(Store(h).buildingMaterials[2].cutFill, 8);
    EXPECT_EQ(brick.manufacturer, "") << "layer products carry no tag of their own";

    ASSERT_EQ(Store(h).composites.size(), 1u);
    const simhost::Composite& c = Store(h).composites[0];
    EXPECT_EQ(c.name, "Wall WALL");
    EXPECT_EQ(c.structureKind, 1);
    EXPECT_DOUBLE_EQ(c.totalThickness, 0.1625);
    EXPECT_EQ(c.totalThickness, 0.0 + 0.1 + 0.05 + 0.0125) << "summed in layer order";
    const struct {
        Int32 material;
        double thickness;
    } skins[] = {{1, 0.1}, {2, 0.05}, {3, 0.0125}};
    ASSERT_EQ(c.skins.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(c.skins[i].buildingMaterial, skins[i].material) << i;
        EXPECT_EQ(c.skins[i].thickness, skins[i].thickness) << i;
        EXPECT_EQ(c.skins[i].framePen, 1);
        EXPECT_EQ(c.skins[i].flags, 1);
    }
    ASSERT_EQ(c.lines.size(), 4u);
    for (const auto& line : c.lines) {
        EXPECT_EQ(line.lineType, 1);
        EXPECT_EQ(line.linePen, 1);
    }
    ASSERT_TRUE(c.userData.has_value());
    EXPECT_EQ(c.userData->version, 0);
    EXPECT_EQ(c.userData->platformSign, 0x5757);
    // The identifier and the tag name, each as its count of UTF-16 units and the units.
    EXPECT_EQ(c.userData->bytes, std::string("\x02\0\0\0"
                                             "1\0"
                                             "2\0"
                                             "\x0A\0\0\0"
                                             "Q\0"
                                             "7\0"
                                             "_\0"
                                             "Q\0"
                                             "V\0"
                                             "_\0"
                                             "U\0"
                                             "U\0"
                                             "I\0"
                                             "D\0",
                                             32));
    EXPECT_EQ(h.host.counters.Of("CreateAttributeWithDefinitions"), 1u);
}

TEST(CompositeImporter, ThicknessIsTheLeadingNumberOfTheValuesJsonTextInMetres) {
    const std::pair<json, double> cases[] = {{120, 0.12},
                                             {12.5, 0.0125},
                                             {0, 0.0},
                                             {-5, -0.005},
                                             {1e3, 1.0},
                                             {"100", 0.0},
                                             {nullptr, 0.0},
                                             {true, 0.0},
                                             {json::array({7}), 0.0},
                                             {R"({"v":3})"_json, 0.0},
                                             {2.5e-3, 2.5e-6}};
    for (const auto& [value, metres] : cases)
        EXPECT_EQ(AttributeImporter::ReadThickness(value), metres) << value.dump();

    InProcessHost h;
    EXPECT_EQ(AttributeImporter::ReadLayer(Layer("Brick", "100")).thickness, 0.0);
    json missing = Layer("Brick", 1);
    missing.erase("thickness");
    const CompositeLayer layer = AttributeImporter::ReadLayer(missing);
    EXPECT_EQ(layer.thickness, 0.0);
    EXPECT_EQ(layer.layerStyle, "Thermal");
    EXPECT_EQ(layer.material.layerStyle, "Thermal");
    EXPECT_EQ(layer.material.name, "Brick");
}

TEST(CompositeImporter, TheTagIsTheUuidAsASigned32BitNumber) {
    const std::pair<json, std::string> cases[] = {
        {12.9, "12"}, {true, "1"}, {false, "0"}, {-3.7, "-3"}, {4294967297, "1"}, {2147483648, "-2147483648"},
        {0, "0"}};
    for (const auto& [uuid, text] : cases) {
        InProcessHost h;
        Import(Composite("Wall", ThreeLayers(), uuid));
        ASSERT_EQ(Store(h).composites.size(), 1u) << uuid.dump();
        EXPECT_EQ(Tag(Store(h).composites[0]), Tag(text)) << uuid.dump();
        EXPECT_EQ(AttributeImporter::ReadComposite(Composite("Wall", json::array(), uuid)).uuidText, text);
    }
    InProcessHost h;
    EXPECT_THROW(Import(Composite("Wall", ThreeLayers(), "12")), json::type_error);
    ExpectNothingCreated(h, "a text uuid");
}

TEST(CompositeImporter, StructureKindsAndTheImporterEachConstructionTypeGets) {
    const struct {
        const char* word;
        Int16 kind;
        ImporterKind importer;
    } cases[] = {
        {"WALL", 1, ImporterKind::Wall},     {"wall", 1, ImporterKind::Wall},
        {"Wall", 1, ImporterKind::Wall},     {"FLOOR", 2, ImporterKind::Floor},
        {"floor", 2, ImporterKind::Floor},   {"Floor", 2, ImporterKind::Floor},
        {"ROOF", 4, ImporterKind::Roof},     {"roof", 4, ImporterKind::Roof},
        {"Roof", 4, ImporterKind::Roof},     {"CEILING", 4, ImporterKind::Floor},
        {"ceiling", 4, ImporterKind::Floor}, {"Ceiling", 4, ImporterKind::Floor},
        {"wALL", 0, ImporterKind::None},     {"Walls", 0, ImporterKind::None},
        {"Ceiling ", 0, ImporterKind::None}, {"CEILINGS", 0, ImporterKind::None},
        {"", 0, ImporterKind::None},         {"Roofing", 0, ImporterKind::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AttributeImporter::StructureKind(c.word), c.kind) << c.word;
        const json product = Composite(c.word, ThreeLayers());
        EXPECT_EQ(ChooseImporter(product), c.importer) << c.word;
        InProcessHost h;
        const std::string result = Import(product);
        if (c.importer == ImporterKind::None) {
            EXPECT_EQ(result, R"({"Success":false})") << c.word;
            continue;
        }
        ASSERT_EQ(Store(h).composites.size(), 1u) << c.word;
        EXPECT_EQ(Store(h).composites[0].structureKind, c.kind) << c.word;
    }
    EXPECT_NE(dynamic_cast<FloorImporter*>(MakeImporter(Composite("Ceiling", json::array())).get()), nullptr);
    EXPECT_NE(dynamic_cast<RoofImporter*>(MakeImporter(Composite("roof", json::array())).get()), nullptr);
    EXPECT_NE(dynamic_cast<WallImporter*>(MakeImporter(Composite("Wall", json::array())).get()), nullptr);
}

TEST(CompositeImporter, LayersOfOneProductShareOneBuildingMaterial) {
    InProcessHost h;
    Import(Composite("Wall", json::array({Layer("Brick", 100), Layer("Wool", 20), Layer("Brick", 50)})));
    ASSERT_EQ(Store(h).buildingMaterials.size(), 2u);
    const auto& skins = Store(h).composites.at(0).skins;
    ASSERT_EQ(skins.size(), 3u);
    EXPECT_EQ(skins[0].buildingMaterial, 1);
    EXPECT_EQ(skins[1].buildingMaterial, 2);
    EXPECT_EQ(skins[2].buildingMaterial, 1);
    EXPECT_EQ(skins[2].thickness, 0.05);
}

TEST(CompositeImporter, LayersMayBeAnArrayAnObjectInKeyOrderOrNothing) {
    const struct {
        const char* what;
        json layers;
        std::vector<std::string> materials;
    } cases[] = {
        {"empty array", json::array(), {}},
        {"null", nullptr, {}},
        {"an object", {{"b", Layer("Second", 1)}, {"a", Layer("First", 2)}}, {"First", "Second"}},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        json product = Composite("Floor", c.layers);
        Import(product);
        ASSERT_EQ(Store(h).composites.size(), 1u) << c.what;
        const auto& composite = Store(h).composites[0];
        EXPECT_EQ(composite.skins.size(), c.materials.size()) << c.what;
        EXPECT_EQ(composite.lines.size(), c.materials.size() + 1) << c.what;
        std::vector<std::string> names;
        for (const auto& m : Store(h).buildingMaterials)
            names.push_back(m.name);
        EXPECT_EQ(names, c.materials) << c.what;
    }
    InProcessHost h;
    json product = Composite("Floor", nullptr);
    product.erase("layers");
    Import(product);
    ASSERT_EQ(Store(h).composites.size(), 1u);
    EXPECT_EQ(Store(h).composites[0].totalThickness, 0.0);
}

TEST(CompositeImporter, AMemoryManagerThatRefusesABlockStopsTheImportWhereItStands) {
    const struct {
        const char* what;
        UInt64 skip; // successful allocations before the refused one
        size_t materials, composites;
        bool tagged;
    } cases[] = {
        {"the skin block", 0, 0, 0, false},
        {"the separator block", 1, 3, 0, false},
        {"the tag block", 2, 3, 1, false},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        const Int64 live = BM::LiveBlocks();
        BM::FailAllocations(c.skip, 1);
        EXPECT_EQ(json::parse(Import(Composite("Wall", ThreeLayers())))["Success"], true) << c.what;
        BM::ClearFailures();
        EXPECT_EQ(Store(h).buildingMaterials.size(), c.materials) << c.what;
        EXPECT_EQ(Store(h).composites.size(), c.composites) << c.what;
        if (c.composites == 1) {
            EXPECT_EQ(Store(h).composites[0].userData.has_value(), c.tagged) << c.what;
        }
        EXPECT_EQ(h.host.counters.Of("CreateAttributeWithDefinitions"), c.composites) << c.what;
        EXPECT_EQ(BM::LiveBlocks(), live) << c.what << ": every block released";
    }
}

TEST(CompositeImporter, HostFailuresDoNotStopTheImport) {
    {
        InProcessHost h;
        h.host.faults.Set({HostOp::CreateAttributeWithDefinitions, std::nullopt}, ErrGeneral);
        EXPECT_EQ(json::parse(Import(Composite("Wall", ThreeLayers())))["Success"], true);
        EXPECT_TRUE(Store(h).composites.empty());
        EXPECT_EQ(h.host.counters.Of("SetAttributeUserData"), 0u) << "no composite to tag";
    }
    {
        // Failed material creations leave index 0 in the skins, which the host refuses.
        InProcessHost h;
        h.host.faults.Set({HostOp::CreateAttribute, std::nullopt}, ErrGeneral);
        EXPECT_EQ(json::parse(Import(Composite("Wall", ThreeLayers())))["Success"], true);
        EXPECT_TRUE(Store(h).composites.empty());
    }
}

// The composite as the saved project holds it, byte for byte.
std::string Saved(const InProcessHost& h, const std::string& name) {
    const json saved = simhost::ProjectToJson(h.host.project);
    for (const auto& c : saved["attributes"]["composites"])
        if (c.is_object() && c["name"] == name)
            return c.dump();
    return "none";
}

json ThreeLayerWall(json uuid, const std::string& name = "Wall") {
    json product = Composite("Wall", ThreeLayers(), std::move(uuid));
    product["Name"] = name;
    return product;
}

// A composite the user made: one imported while the host would not tag it.
void UserComposite(InProcessHost& h, const std::string& name) {
    h.host.faults.Set({HostOp::SetAttributeUserData, std::nullopt}, ErrGeneral);
    Import(ThreeLayerWall(99, name));
    h.host.faults.Clear();
}

// The add-on's own composite (tagged "Q7_QV_UUID" with an identifier) of the name takes the new
// product: its layers, kind and thickness, and the tag; its name and identity stay. A composite
// without that tag is the user's: never changed, never tagged; the product gets a composite of its
// own under the first free name "<name> (2)", "(3)"..., which its next import updates.
TEST(CompositeImporter, AnImportUpdatesTheAddOnsOwnCompositeAndNeverTheUsers) {
    const json twoLayers = json::array({Layer("Clay", 200, "Structure"), Layer("Cork", 30)});
    const auto product = [&](const json& uuid, const char* name = "Wall") {
        json p = Composite("Wall", twoLayers, uuid);
        p["constructionType"] = "Floor";
        p["Name"] = name;
        return p;
    };
    const struct {
        const char* what;
        std::function<void(InProcessHost&)> before;
        std::vector<json> uuids;           // imported in turn, then all again
        std::vector<std::string> users;    // the user's composites, unchanged to the byte
        std::vector<std::string> products; // the composites the imports end in, one per uuid
        size_t added;                      // composites the imports add
    } cases[] = {
        {"the add-on's own, imported before",
         [](InProcessHost&) { Import(ThreeLayerWall(1)); },
         {2},
         {},
         {"Wall"},
         0},
        {"the add-on's own, of the same product",
         [](InProcessHost&) { Import(ThreeLayerWall(2)); },
         {2},
         {},
         {"Wall"},
         0},
        {"the user's own",
         [](InProcessHost& h) { UserComposite(h, "Wall"); },
         {2},
         {"Wall"},
         {"Wall (2)"},
         1},
        {"the user's own, tagged by someone else",
         [](InProcessHost&) {
             Import(ThreeLayerWall(7));
             simhost::CurrentHost().project.attributes.composites.back().userData->bytes = Tag("7", "Other");
         },
         {2},
         {"Wall"},
         {"Wall (2)"},
         1},
        {"three products over the user's own and a copy's name the user took",
         [](InProcessHost& h) {
             UserComposite(h, "Wall");
             UserComposite(h, "Wall (3)");
         },
         {2, 3, 4},
         {"Wall", "Wall (3)"},
         {"Wall (2)", "Wall (4)", "Wall (5)"},
         3},
        {"the product's copy, after the user deleted their own",
         [&](InProcessHost& h) {
             UserComposite(h, "Wall");
             Import(product(2));
             ASSERT_EQ(simhost::DeleteAttribute(h.host.project, AttrTypeComposite, "Wall"), NoError);
         },
         {2},
         {},
         {"Wall (2)"},
         0},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        c.before(h);
        std::map<std::string, std::string> users;
        for (const auto& name : c.users) {
            users[name] = Saved(h, name);
            ASSERT_NE(users[name], "none") << c.what << ": " << name;
        }
        const size_t before = Store(h).composites.size();
        std::map<std::string, GS::Guid> identities; // of the add-on's own composites, which they keep
        for (const auto& name : c.products)
            if (Int32 index = Store(h).CompositeIndexOf(name); index != 0)
                identities[name] = Store(h).composites[size_t(index) - 1].guid;
        for (int round = 0; round < 2; ++round) {
            for (size_t n = 0; n < c.uuids.size(); ++n) {
                EXPECT_EQ(json::parse(Import(product(c.uuids[n])))["Success"], true) << c.what;
                const Int32 index = Store(h).CompositeIndexOf(c.products[n]);
                ASSERT_NE(index, 0) << c.what << ": " << c.products[n];
                const simhost::Composite& made = Store(h).composites[size_t(index) - 1];
                ASSERT_EQ(made.skins.size(), 2u) << c.what;
                EXPECT_EQ(Store(h).buildingMaterials.at(size_t(made.skins[0].buildingMaterial - 1)).name,
                          "Clay");
                EXPECT_EQ(made.structureKind, 2) << c.what;
                EXPECT_DOUBLE_EQ(made.totalThickness, 0.23) << c.what;
                ASSERT_TRUE(made.userData.has_value()) << c.what;
                EXPECT_EQ(made.userData->bytes, Tag(c.uuids[n].dump())) << c.what;
                identities.try_emplace(c.products[n], made.guid);
                EXPECT_EQ(made.guid, identities[c.products[n]]) << c.what << ": " << c.products[n];
            }
        }
        for (const auto& [name, saved] : users)
            EXPECT_EQ(Saved(h, name), saved) << c.what << ": the user's " << name;
        EXPECT_EQ(Store(h).composites.size(), before + c.added) << c.what << ": a product's copy made once";
    }
}

TEST(CompositeImporter, AHostThatRefusesTheCompositeGetsNoTagOnAnything) {
    const struct {
        const char* what;
        std::function<void(InProcessHost&)> before;
        HostOp refused;
    } cases[] = {
        {"the create of the copy", [](InProcessHost& h) { UserComposite(h, "Wall"); },
         HostOp::CreateAttributeWithDefinitions},
        {"the change of its own", [](InProcessHost&) { Import(ThreeLayerWall(1)); },
         HostOp::ModifyAttributeWithDefinitions},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        c.before(h);
        const std::string before = Saved(h, "Wall");
        h.host.faults.Set({c.refused, std::nullopt}, ErrGeneral);
        json product = Composite("Wall", json::array({Layer("Clay", 200)}), 2);
        product["Name"] = "Wall";
        ASSERT_NE(before, "none") << c.what;
        EXPECT_EQ(json::parse(Import(product))["Success"], true) << c.what;
        EXPECT_EQ(Store(h).composites.size(), 1u) << c.what;
        EXPECT_EQ(Saved(h, "Wall"), before) << c.what;
        EXPECT_EQ(h.host.counters.Of("SetAttributeUserData"), 1u) << c.what << ": only the first import's";
    }
}

// A copy's name fits the host's name field whole, never cut inside a character.
TEST(CompositeImporter, CopyNamesFitTheNameField) {
    const std::string u = "\xC3\xBC"; // two bytes
    const struct {
        std::string name;
        Int32 copy;
        std::string copyName;
    } cases[] = {
        {"Wall", 2, "Wall (2)"},
        {"Wall", 12, "Wall (12)"},
        {std::string(255, 'w'), 2, std::string(251, 'w') + " (2)"},
        {std::string(249, 'w') + u + u, 10, std::string(249, 'w') + " (10)"}, // not inside the first ü
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CopyName(c.name, c.copy), c.copyName) << c.copy;
        EXPECT_TRUE(IsCopyName(c.copyName, c.name)) << c.copyName;
    }
    for (const char* other :
         {"Wall", "Wall (1)", "Wall (02)", "Wall (x)", "Wall(2)", "Wal (2)", "Wall (2) ", "Wall ()"})
        EXPECT_FALSE(IsCopyName(other, "Wall")) << other;
}

namespace {

json TaggedLayer(const std::string& product, const std::string& uuid) {
    json layer = Layer(product, 10);
    layer["product"]["uuid"] = uuid;
    layer["product"]["supplier"] = {{"name", "Maker"}};
    return layer;
}

// A project of `tagged` tagged materials ("Tagged 1"...) and the untagged "Plain".
void TaggedProject(InProcessHost& h, int tagged) {
    testing_support::ImportTaggedMaterials(h.host, "Tagged", "t-", tagged);
    testing_support::ImportMaterial("Plain", "");
}

std::vector<std::string> MaterialIdentifiers(const InProcessHost& h) {
    std::vector<std::string> ids;
    for (const auto& m : Store(h).buildingMaterials)
        ids.push_back(m.name + " " + m.id);
    return ids;
}

} // namespace

// The layers' materials are numbered as counting the project before each layer numbers them,
// byte for byte, while the project's materials are read once, not once per layer.
TEST(CompositeImporter, LayersAreNumberedAsBeforeFromOneCountOfTheProject) {
    const json layers =
        json::array({TaggedLayer("New A", "a"), Layer("Untagged B", 10), TaggedLayer("New A", "a2"),
                     TaggedLayer("Tagged 3", "x"), TaggedLayer("Plain", "p"), Layer("Tagged 5", 10),
                     TaggedLayer("New C", "c"), TaggedLayer("Tagged 7", ""), Layer("New A", 10),
                     TaggedLayer("New D", "d"), TaggedLayer("Plain", "p2"), TaggedLayer("New E", "e")});
    const int tagged = 40;
    const struct {
        const char* what;
        std::optional<HostOp> failing;
    } cases[] = {{"as imported", std::nullopt},
                 {"no tag written", HostOp::SetAttributePropertyValue},
                 {"no material created", HostOp::CreateAttribute},
                 {"no material modified", HostOp::ModifyAttribute},
                 {"no material read back", HostOp::GetAttribute}};
    for (const auto& c : cases) {
        std::vector<std::string> counted; // each layer counting the whole project
        {
            InProcessHost h;
            TaggedProject(h, tagged);
            if (c.failing)
                h.host.faults.Set({*c.failing, std::nullopt}, ErrGeneral);
            for (const auto& layer : layers) {
                MaterialData material = AttributeImporter::ReadLayer(layer).material;
                (void)MaterialImporter::CreateBuildingMaterial(material);
            }
            counted = MaterialIdentifiers(h);
        }
        InProcessHost h;
        TaggedProject(h, tagged);
        if (c.failing)
            h.host.faults.Set({*c.failing, std::nullopt}, ErrGeneral);
        h.host.counters.Reset();
        Import(Composite("Wall", layers));
        EXPECT_EQ(MaterialIdentifiers(h), counted) << c.what;
        EXPECT_LE(h.host.counters.Of("GetAttributePropertyDefinitions"), 4 * (layers.size() + tagged + 1))
            << c.what;
    }
}

TEST(CompositeImporter, MoreLayersThanASkinCountHoldsAreRefusedBeforeAnythingIsCreated) {
    InProcessHost h;
    json layers = json::array();
    for (int i = 0; i < 32768; ++i)
        layers.push_back(Layer("Brick", 1));
    LastImportResultText = GS::UniString("previous");
    EXPECT_EQ(Import(Composite("Wall", layers)), R"({"Success":false})");
    ExpectNothingCreated(h, "32768 layers");

    // The largest count that fits goes ahead: here it stops at the refused skin block.
    CompositeData data =
        AttributeImporter::ReadComposite(Composite("Wall", json::array({Layer("Brick", 1)})));
    data.layers.resize(32767, data.layers[0]);
    BM::FailAllocations(0, 1);
    EXPECT_NO_THROW(AttributeImporter::CreateComposite(data));
    BM::ClearFailures();
    ExpectNothingCreated(h, "32767 layers");
}

TEST(CompositeImporter, EveryShapeErrorIsRaisedBeforeAnythingIsCreated) {
    const auto with = [](const std::function<void(json&)>& change) {
        json p = Composite("Wall", ThreeLayers());
        change(p);
        return p;
    };
    const std::pair<json, std::string> cases[] = {
        {with([](json& p) { p.erase("Name"); }), "type must be string, but is null"},
        {with([](json& p) { p["Name"] = 5; }), "type must be string, but is number"},
        {with([](json& p) { p.erase("constructionType"); }), "type must be string, but is null"},
        {with([](json& p) { p["constructionType"] = 3; }), "type must be string, but is number"},
        {with([](json& p) { p.erase("uuid"); }), "type must be number, but is null"},
        {with([](json& p) { p["uuid"] = "12"; }), "type must be number, but is string"},
        {with([](json& p) { p["uuid"] = json::array(); }), "type must be number, but is array"},
        {with([](json& p) { p["layers"][2].erase("layerstyle"); }), "type must be string, but is null"},
        {with([](json& p) { p["layers"][2]["layerstyle"] = 4; }), "type must be string, but is number"},
        {with([](json& p) { p["layers"][2]["product"] = "Brick"; }),
         "cannot use operator[] with a string argument with string"},
        {with([](json& p) { p["layers"][2]["product"] = 7; }),
         "cannot use operator[] with a string argument with number"},
        {with([](json& p) { p["layers"][2].erase("product"); }), "type must be string, but is null"},
        {with([](json& p) { p["layers"][2]["product"]["name"] = 1; }), "type must be string, but is number"},
        {with([](json& p) { p["layers"][2]["product"]["uuid"] = 1; }), "type must be string, but is number"},
        {with([](json& p) { p["layers"][2]["product"]["uuid"] = "u"; }), "type must be string, but is null"},
        {with([](json& p) { p["layers"] = 5; }), "cannot use operator[] with a string argument with number"},
        {with([](json& p) { p["layers"] = "abc"; }),
         "cannot use operator[] with a string argument with string"},
    };
    for (const auto& [product, message] : cases) {
        InProcessHost h;
        try {
            WallImporter().Import(product);
            ADD_FAILURE() << product.dump();
        } catch (const json::type_error& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
        ExpectNothingCreated(h, product.dump());
    }
}

} // namespace composite_importer_test
