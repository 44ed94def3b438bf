#include "import/MaterialImporter.h"
#include "export/ProductUsage.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <functional>

// The unity build compiles this file with others of its folder; its helpers keep their own names.
namespace material_importer_test {

using nlohmann::json;
using namespace nlohmann::literals;
using testing_support::InProcessHost;

namespace {
json Product(const std::string& name, const std::string& uuid, const char* layerStyle = "Thermal") {
    json p = {{"importType", "MATERIAL_IMPORT"},
              {"name", name},
              {"uuid", uuid},
              {"supplier", {{"name", "Maker " + name}}},
              {"layerstyle", layerStyle},
              {"propertySets",
               R"([{"name":"Thermal","properties":[
                     {"name":"lambda","type":"Range","unit":"W/mK","ranges":[[{"value":0.03},{"value":0.04}]]},
                     {"name":"class","type":"ValueList","values":[{"value":"A"},{"value":"B"}]}]},
                   {"name":"Fire","properties":[{"name":"rating","type":"Text","value":"A1"}]}])"_json}};
    return p;
}

void Import(const json& product) {
    RunImport(GS::UniString(product.dump(), CC_UTF8));
}

const simhost::AttributeStore& Store(const InProcessHost& h) {
    return h.host.project.attributes;
}

const simhost::PropertyDefinition* Definition(const InProcessHost& h, const std::string& name) {
    for (const auto& d : Store(h).propertyDefinitions)
        if (d.name == name)
            return &d;
    return nullptr;
}

std::string Value(const InProcessHost& h, const simhost::BuildingMaterial& m, const std::string& definition) {
    const auto* d = Definition(h, definition);
    if (d == nullptr || m.propertyValues.count(d->guid) == 0)
        return "<unset>";
    return m.propertyValues.at(d->guid);
}

const simhost::ClassificationItem* Item(const InProcessHost& h, const std::string& id) {
    for (const auto& s : Store(h).classificationSystems)
        for (const auto& i : s.items)
            if (i.id == id)
                return &i;
    return nullptr;
}

size_t ItemsNamed(const InProcessHost& h, const std::string& id) {
    size_t n = 0;
    for (const auto& s : Store(h).classificationSystems)
        for (const auto& i : s.items)
            n += i.id == id;
    return n;
}

// A system "Quorvel" v1.0 made beforehand, with the given items (id, parent id or "").
void MakeSystem(InProcessHost& h, const std::vector<std::pair<std::string, std::string>>& items) {
    simhost::ClassificationSystem s;
    s.guid = GS::Guid::Generate();
    s.name = "Quorvel";
    s.editionVersion = "v1.0";
    for (const auto& [id, parent] : items) {
        simhost::ClassificationItem i{GS::Guid::Generate(), GS::Guid(), id, "", ""};
        for (const auto& p : s.items)
            if (p.id == parent)
                i.parent = p.guid;
        s.items.push_back(i);
    }
    h.host.project.attributes.classificationSystems.push_back(s);
}
} // namespace

TEST(MaterialImporter, LayerStylesComeFromTheHostLanguagesTable) {
    const struct {
        const char* style;
        LayerStyle german, international;
    } rows[] = {
        {"Substrate", {4, 1, 94, 54}, {4, 1, 102, 99}},
        {"Thermal", {5, 1, 145, 156}, {5, 1, 117, 101}},
        {"Finish", {8, 1, 0, 160}, {8, 1, 0, 60}},
        {"Membrane Layer", {22, 1, 0, 10}, {22, 1, 0, 3}},
        {"Structure", {74, 94, 0, 174}, {17, 82, 0, 108}},
        {"structure", {}, {}},
        {"Thermal ", {}, {}},
        {"Membrane", {}, {}},
        {"", {}, {}},
        {"Unlisted", {}, {}},
    };
    InProcessHost h;
    for (const auto& row : rows) {
        h.host.language = "GER";
        EXPECT_EQ(MaterialImporter::LookUpLayerStyle(row.style), row.german) << row.style;
        for (const char* other : {"INT", "ger", "GERM", "", "DEU"}) {
            h.host.language = other;
            EXPECT_EQ(MaterialImporter::LookUpLayerStyle(row.style), row.international)
                << row.style << " " << other;
        }
    }
    h.host.language = "GER";
    h.host.faults.Set({HostOp::EnvironmentRequest, GSType(Selector::APPL)}, ErrGeneral);
    EXPECT_EQ(MaterialImporter::LookUpLayerStyle("Thermal"), (LayerStyle{5, 1, 117, 101}))
        << "without an answer the international table";
}

TEST(MaterialImporter, ReadsTheProductAndTagsIt) {
    InProcessHost h;
    h.host.language = "GER";
    MaterialData d = MaterialImporter::ReadMaterial(Product("Wool", "u-1", "Thermal"));
    EXPECT_EQ(d.name, "Wool");
    EXPECT_EQ(d.uuid, "u-1");
    EXPECT_EQ(d.supplierName.ToCStr(), "Maker Wool");
    EXPECT_EQ(LayerStyle({d.fillIndex, d.fillPen, d.fillBackgroundPen, d.surfaceIndex}),
              (LayerStyle{5, 1, 145, 156}));
    const PropertySetMap expected = {{"Fire", {{"rating", ""}}},
                                     {"QV_UUID", {{"QV_UUID", "u-1"}}},
                                     {"Thermal", {{"class", "A, B  "}, {"lambda", "0.03/0.04 W/mK"}}}};
    EXPECT_EQ(d.propertySets, expected);

    MaterialData layer =
        MaterialImporter::ReadMaterial(R"({"name":"Layer","layerstyle":null,"supplier":5})"_json);
    EXPECT_EQ(layer.uuid, "");
    EXPECT_TRUE(layer.supplierName.IsEmpty());
    EXPECT_TRUE(layer.propertySets.empty());
    EXPECT_EQ(layer.fillIndex, 0);

    const std::pair<json, std::string> bad[] = {
        {R"({"name":5})"_json, "type must be string, but is number"},
        {R"({"layerstyle":"Thermal"})"_json, "type must be string, but is null"},
        {R"({"name":"a","layerstyle":3})"_json, "type must be string, but is number"},
        {R"({"name":"a","uuid":3})"_json, "type must be string, but is number"},
        {R"({"name":"a","uuid":"u"})"_json, "type must be string, but is null"},
        {R"({"name":"a","uuid":"u","supplier":"S"})"_json,
         "cannot use operator[] with a string argument with string"},
    };
    for (const auto& [product, message] : bad) {
        try {
            MaterialImporter::ReadMaterial(product);
            ADD_FAILURE() << product.dump();
        } catch (const json::type_error& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

TEST(MaterialImporter, AFreshImportCreatesAClassifiedTaggedMaterialWithItsValues) {
    InProcessHost h;
    Import(Product("Wool", "u-1"));
    ASSERT_EQ(Store(h).buildingMaterials.size(), 1u);
    const auto& m = Store(h).buildingMaterials[0];
    EXPECT_EQ(m.name, "Wool");
    EXPECT_EQ(m.id, "QV_001");
    EXPECT_EQ(m.manufacturer, "Maker Wool");
    EXPECT_EQ(m.description, "Wool");
    EXPECT_EQ(m.connPriority, 16) << "the host's priority for 8";
    EXPECT_EQ(m.cutFill, 5);
    EXPECT_EQ(m.cutFillPen, 1);
    EXPECT_EQ(m.cutFillBackgroundPen, 117);
    EXPECT_EQ(m.cutSurface, 101);
    EXPECT_EQ(m.cutReserved, 0);
    EXPECT_EQ(m.thermalConductivity, 0.0);
    EXPECT_TRUE(m.showUncutLines);

    ASSERT_EQ(Store(h).classificationSystems.size(), 1u);
    const auto& system = Store(h).classificationSystems[0];
    EXPECT_EQ(system.name, "Quorvel");
    EXPECT_EQ(system.source, "Quorvel");
    EXPECT_EQ(system.editionVersion, "v1.0");
    EXPECT_EQ(system.description, "");
    EXPECT_GE(system.year, 2024);
    ASSERT_EQ(system.items.size(), 1u);
    EXPECT_EQ(system.items[0].id, "Quorvel Materials");
    EXPECT_TRUE(system.items[0].parent.IsNull());
    EXPECT_EQ(m.classification, std::vector<GS::Guid>{system.items[0].guid});

    std::vector<std::string> groups;
    for (const auto& g : Store(h).propertyGroups)
        groups.push_back(g.name);
    EXPECT_EQ(groups, (std::vector<std::string>{"Fire", "QV_UUID", "Thermal"})) << "sets in key order";
    std::vector<std::string> definitions;
    for (const auto& d : Store(h).propertyDefinitions) {
        definitions.push_back(d.name);
        EXPECT_EQ(d.valueType, 3);
        EXPECT_EQ(d.collectionType, 1);
        EXPECT_EQ(d.measureType, 1);
        EXPECT_EQ(d.definitionType, 2);
        EXPECT_TRUE(d.canValueBeEditable);
        EXPECT_EQ(d.availability, std::vector<GS::Guid>{system.items[0].guid});
    }
    EXPECT_EQ(definitions, (std::vector<std::string>{"rating", "QV_UUID", "class", "lambda"}));
    EXPECT_EQ(Value(h, m, "QV_UUID"), "u-1");
    EXPECT_EQ(Value(h, m, "lambda"), "0.03/0.04 W/mK");
    EXPECT_EQ(Value(h, m, "class"), "A, B  ");
    EXPECT_EQ(Value(h, m, "rating"), "");
    EXPECT_EQ(h.host.undoList, (std::vector<std::string>{"Create Group", "CreateDefinition", "Create Group",
                                                         "CreateDefinition", "Create Group",
                                                         "CreateDefinition", "CreateDefinition"}));
}

TEST(MaterialImporter, ASecondMaterialReusesSystemItemGroupsAndDefinitions) {
    InProcessHost h;
    Import(Product("Wool", "u-1"));
    const auto definitionsBefore = Store(h).propertyDefinitions.size();
    const auto groupsBefore = Store(h).propertyGroups.size();
    json second = Product("Glass", "u-2");
    second["propertySets"][0]["properties"][0]["ranges"] = R"([[{"value":1},{"value":2}]])"_json;
    Import(second);
    EXPECT_EQ(Store(h).classificationSystems.size(), 1u);
    EXPECT_EQ(ItemsNamed(h, "Quorvel Materials"), 1u);
    EXPECT_EQ(Store(h).propertyGroups.size(), groupsBefore);
    EXPECT_EQ(Store(h).propertyDefinitions.size(), definitionsBefore);
    ASSERT_EQ(Store(h).buildingMaterials.size(), 2u);
    const auto& glass = Store(h).buildingMaterials[1];
    EXPECT_EQ(glass.id, "QV_002");
    EXPECT_EQ(Value(h, glass, "lambda"), "1/2 W/mK");
    EXPECT_EQ(Value(h, glass, "QV_UUID"), "u-2");
    EXPECT_EQ(Value(h, Store(h).buildingMaterials[0], "lambda"), "0.03/0.04 W/mK")
        << "the first keeps its value";
    // Writing a value leaves a reused definition as it was.
    EXPECT_EQ(Definition(h, "lambda")->availability.size(), 1u);
}

// The host's definition list is read once per material; a definition made for one property must
// still be found by the next property of that name, and one that could not be made must not be.
TEST(MaterialImporter, APropertyNameSharedBySetsHasOneDefinitionUnlessItCouldNotBeMade) {
    json product = Product("Wool", "u-1");
    product["propertySets"] = R"([{"name":"A","properties":[
                                     {"name":"shared","type":"ValueList","unit":"mm","values":[{"value":1}]},
                                     {"name":"own","type":"ValueList","unit":"mm","values":[{"value":3}]}]},
                                  {"name":"B","properties":[
                                     {"name":"shared","type":"ValueList","unit":"mm","values":[{"value":2}]}]}])"_json;
    auto named = [](const InProcessHost& h, const std::string& name) {
        std::vector<const simhost::PropertyDefinition*> found;
        for (const auto& d : Store(h).propertyDefinitions)
            if (d.name == name)
                found.push_back(&d);
        return found;
    };
    {
        InProcessHost h;
        Import(product);
        const auto shared = named(h, "shared");
        ASSERT_EQ(shared.size(), 1u);
        EXPECT_EQ(shared[0]->group, Store(h).propertyGroups[0].guid) << "made in the first set's group";
        EXPECT_EQ(Value(h, Store(h).buildingMaterials[0], "shared"), "2 mm") << "the later set writes last";
        EXPECT_EQ(h.host.counters.Of("GetAttributePropertyDefinitions"), 1u);
        Import(Product("Glass", "u-2"));
        EXPECT_EQ(h.host.counters.Of("GetAttributePropertyDefinitions"), 3u)
            << "once to read the first material's tag, once to write the second's properties";
    }
    {
        InProcessHost h;
        // Group B exists beforehand; group A cannot be made, so neither can A's definitions.
        h.host.project.attributes.propertyGroups.push_back({GS::Guid::Generate(), "B", ""});
        const GS::Guid b = Store(h).propertyGroups[0].guid;
        h.host.faults.Set(*simhost::ParseOperationName("CreatePropertyGroup"), ErrGeneral);
        Import(product);
        const auto shared = named(h, "shared");
        ASSERT_EQ(shared.size(), 1u) << "set B makes it again";
        EXPECT_EQ(shared[0]->group, b);
        EXPECT_TRUE(named(h, "own").empty());
        EXPECT_EQ(Value(h, Store(h).buildingMaterials[0], "shared"), "2 mm");
    }
}

TEST(MaterialImporter, TheItemIsFoundNestedAndOnlyByItsExactIdentifier) {
    {
        InProcessHost h;
        MakeSystem(h, {{"Other", ""}, {"Sub", "Other"}, {"Quorvel Materials", "Sub"}});
        Import(Product("Wool", "u-1"));
        EXPECT_EQ(Store(h).classificationSystems.size(), 1u);
        EXPECT_EQ(ItemsNamed(h, "Quorvel Materials"), 1u);
        EXPECT_EQ(Store(h).buildingMaterials[0].classification,
                  std::vector<GS::Guid>{Item(h, "Quorvel Materials")->guid});
    }
    {
        InProcessHost h;
        MakeSystem(h, {{"quorvel materials", ""}, {"Quorvel Materials ", ""}});
        Import(Product("Wool", "u-1"));
        const auto& items = Store(h).classificationSystems[0].items;
        ASSERT_EQ(items.size(), 3u);
        EXPECT_EQ(items[2].id, "Quorvel Materials");
        EXPECT_TRUE(items[2].parent.IsNull());
        EXPECT_EQ(Store(h).buildingMaterials[0].classification, std::vector<GS::Guid>{items[2].guid});
    }
}

TEST(MaterialImporter, AReimportOfTheSameNameModifiesTheMaterial) {
    InProcessHost h;
    Import(Product("Wool", "u-1", "Thermal"));
    GS::Guid guid = Store(h).buildingMaterials[0].guid;
    Import(Product("Wool", "u-9", "Finish"));
    ASSERT_EQ(Store(h).buildingMaterials.size(), 1u);
    const auto& m = Store(h).buildingMaterials[0];
    EXPECT_EQ(m.guid, guid);
    EXPECT_EQ(m.cutFill, 8);
    EXPECT_EQ(m.cutSurface, 60);
    EXPECT_EQ(m.id, "QV_002") << "counted afresh, with the existing tagged material";
    EXPECT_EQ(Value(h, m, "QV_UUID"), "u-9");
    EXPECT_EQ(m.classification.size(), 1u);
}

TEST(MaterialImporter, IdentifiersCountTheTaggedMaterials) {
    EXPECT_EQ(MaterialIdentifier(1), "QV_001");
    EXPECT_EQ(MaterialIdentifier(12), "QV_012");
    EXPECT_EQ(MaterialIdentifier(999), "QV_999");
    EXPECT_EQ(MaterialIdentifier(1000), "QV_1000");

    InProcessHost h;
    Import(Product("M1", "u-1"));
    Import(Product("M2", "u-2"));
    Import(R"({"importType":"MATERIAL_IMPORT","name":"Untagged","uuid":"","supplier":{"name":"S"}})"_json);
    Import(Product("M3", "u-3"));
    EXPECT_EQ(Store(h).buildingMaterials.back().id, "QV_003") << "an empty tag does not count";

    // 999 tagged materials: copies of a tagged one with their own names and tags.
    auto& materials = h.host.project.attributes.buildingMaterials;
    const simhost::BuildingMaterial model = materials[0];
    const GS::Guid tag = Definition(h, "QV_UUID")->guid;
    materials.erase(materials.begin() + 2); // the untagged one
    while (materials.size() < 999) {
        simhost::BuildingMaterial copy = model;
        copy.guid = GS::Guid::Generate();
        copy.name = "Copy " + std::to_string(materials.size());
        copy.propertyValues[tag] = "c-" + std::to_string(materials.size());
        materials.push_back(copy);
    }
    ASSERT_EQ(CountTaggedMaterials(), 999);
    Import(Product("Last", "u-last"));
    EXPECT_EQ(materials.back().name, "Last");
    EXPECT_EQ(materials.back().id, "QV_1000");
}

// A NUL would end the name in the host's field, and the next product of that shorter name would
// change this one: it is replaced, as in file names.
TEST(MaterialImporter, ANulInANameIsReplacedAndDoesNotEndIt) {
    const std::string nul("Nul\0Evil", 8);
    InProcessHost h;
    Import(Product(nul, "u-1", "Finish"));
    Import(Product("Nul", "u-2", "Thermal"));
    json composite = R"({"importType":"TYPE_IMPORT","constructionType":"Wall","uuid":3,"layers":[]})"_json;
    composite["Name"] = nul;
    Import(composite);
    composite["Name"] = "Nul";
    composite["constructionType"] = "Roof";
    Import(composite);
    ASSERT_EQ(Store(h).buildingMaterials.size(), 2u);
    EXPECT_EQ(Store(h).buildingMaterials[0].name, "Nul_Evil");
    EXPECT_EQ(Store(h).buildingMaterials[0].cutFill, 8) << "not changed by the second product";
    EXPECT_EQ(Store(h).buildingMaterials[1].name, "Nul");
    ASSERT_EQ(Store(h).composites.size(), 2u);
    EXPECT_EQ(Store(h).composites[0].name, "Nul_Evil");
    EXPECT_EQ(Store(h).composites[0].structureKind, 1);
    EXPECT_EQ(Store(h).composites[1].name, "Nul");
}

TEST(MaterialImporter, ALayerWithoutUuidIsStillClassifiedButGetsNoProperties) {
    InProcessHost h;
    MaterialData layer = MaterialImporter::ReadMaterial(R"({"name":"Layer","layerstyle":"Finish"})"_json);
    Int32 index = MaterialImporter::CreateBuildingMaterial(layer);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(layer.attributeIndex, 1);
    const auto& m = Store(h).buildingMaterials.at(0);
    EXPECT_EQ(m.manufacturer, "");
    EXPECT_TRUE(m.propertyValues.empty());
    EXPECT_TRUE(Store(h).propertyDefinitions.empty());
    ASSERT_NE(Item(h, "Quorvel Materials"), nullptr);
    EXPECT_EQ(m.classification, std::vector<GS::Guid>{Item(h, "Quorvel Materials")->guid});
}

TEST(MaterialImporter, ANumericNameFailsBeforeAnythingIsCreated) {
    InProcessHost h;
    EXPECT_THROW(Import(R"({"importType":"MATERIAL_IMPORT","uuid":"u","name":7})"_json), json::type_error);
    EXPECT_TRUE(Store(h).buildingMaterials.empty());
    EXPECT_TRUE(Store(h).classificationSystems.empty());
}

namespace {
struct FailureCase {
    const char* operation;
    bool beforeFirst; // the fault is set before the first import, else between the two
    bool emptySlot;
    std::function<void(const InProcessHost&)> check;
};
} // namespace

TEST(MaterialImporter, EveryHostFailureStillEndsTheImportWithItsResult) {
    const auto values = [](const InProcessHost& h, size_t material) {
        return Store(h).buildingMaterials.at(material).propertyValues.size();
    };
    const FailureCase cases[] = {
        {"CreateAttribute", true, false,
         [](const InProcessHost& h) { EXPECT_TRUE(Store(h).buildingMaterials.empty()); }},
        {"CreateAttribute", true, true,
         [](const InProcessHost& h) { EXPECT_TRUE(Store(h).buildingMaterials.empty()); }},
        {"ModifyAttribute", false, false,
         [&](const InProcessHost& h) {
             ASSERT_EQ(Store(h).buildingMaterials.size(), 1u);
             EXPECT_EQ(Store(h).buildingMaterials[0].cutFill, 5) << "not modified";
             EXPECT_EQ(Value(h, Store(h).buildingMaterials[0], "QV_UUID"), "u-2")
                 << "its values are still written";
         }},
        {"GetAttribute", false, false,
         [&](const InProcessHost& h) {
             ASSERT_EQ(Store(h).buildingMaterials.size(), 1u);
             EXPECT_EQ(Store(h).buildingMaterials[0].cutFill, 8);
         }},
        {"CreateClassificationSystem", true, false,
         [&](const InProcessHost& h) {
             EXPECT_TRUE(Store(h).classificationSystems.empty());
             EXPECT_TRUE(Store(h).buildingMaterials[0].classification.empty());
             EXPECT_EQ(Value(h, Store(h).buildingMaterials[0], "QV_UUID"), "u-1");
         }},
        {"GetClassificationSystem", false, false,
         [&](const InProcessHost& h) {
             EXPECT_EQ(Store(h).classificationSystems.size(), 1u);
             EXPECT_EQ(ItemsNamed(h, "Quorvel Materials"), 1u);
             EXPECT_TRUE(Store(h).buildingMaterials[1].classification.empty());
         }},
        {"CreateClassificationItem", true, false,
         [&](const InProcessHost& h) {
             EXPECT_EQ(ItemsNamed(h, "Quorvel Materials"), 0u);
             EXPECT_TRUE(Store(h).buildingMaterials[1].classification.empty());
         }},
        {"GetClassificationSystemRootItems", false, false,
         [&](const InProcessHost& h) {
             EXPECT_EQ(ItemsNamed(h, "Quorvel Materials"), 1u) << "the host refuses a second";
         }},
        {"AddAttributeClassification", true, false,
         [&](const InProcessHost& h) { EXPECT_EQ(values(h, 0), 4u) << "Set still classifies"; }},
        {"SetAttributeClassification", true, false,
         [&](const InProcessHost& h) { EXPECT_EQ(values(h, 1), 4u); }},
        {"GetPropertyGroup", false, false,
         [&](const InProcessHost& h) {
             EXPECT_EQ(Store(h).propertyGroups.size(), 3u);
             EXPECT_EQ(values(h, 1), 4u) << "found definitions take the values";
         }},
        {"CreatePropertyGroup", true, false,
         [&](const InProcessHost& h) {
             EXPECT_TRUE(Store(h).propertyGroups.empty());
             EXPECT_TRUE(Store(h).propertyDefinitions.empty());
             EXPECT_EQ(values(h, 0), 0u);
         }},
        {"CreatePropertyDefinition", true, false,
         [&](const InProcessHost& h) {
             EXPECT_TRUE(Store(h).propertyDefinitions.empty());
             EXPECT_EQ(Store(h).buildingMaterials.size(), 2u);
             EXPECT_EQ(Store(h).buildingMaterials[1].id, "QV_001") << "nothing is tagged";
         }},
        {"RunUndoableCommand", true, false,
         [&](const InProcessHost& h) {
             EXPECT_TRUE(Store(h).propertyGroups.empty());
             EXPECT_TRUE(h.host.undoList.empty());
         }},
        {"GetAttributePropertyDefinitions", false, false,
         [&](const InProcessHost& h) {
             EXPECT_EQ(Store(h).propertyDefinitions.size(), 4u) << "the host refuses duplicates";
             EXPECT_EQ(values(h, 1), 0u);
             EXPECT_EQ(Store(h).buildingMaterials[1].id, "QV_001") << "no tag can be read";
         }},
        {"GetAttributePropertyValue", false, false,
         [&](const InProcessHost& h) {
             EXPECT_EQ(values(h, 1), 4u);
             EXPECT_EQ(Store(h).buildingMaterials[1].id, "QV_001");
         }},
        {"SetAttributePropertyValue", true, false,
         [&](const InProcessHost& h) { EXPECT_EQ(values(h, 1), 0u); }},
        {"UtilityRequest.U2EP", true, false,
         [](const InProcessHost& h) { EXPECT_EQ(Store(h).buildingMaterials[0].connPriority, 0); }},
        {"EnvironmentRequest.APPL", true, false,
         [](const InProcessHost& h) { EXPECT_EQ(Store(h).buildingMaterials[0].cutFillBackgroundPen, 117); }},
        {"GetAttributeCount", false, false,
         [](const InProcessHost& h) { EXPECT_EQ(Store(h).buildingMaterials[1].id, "QV_001"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + (c.emptySlot ? " (empty slot)" : ""));
        InProcessHost h;
        h.host.language = "GER";
        auto op = *simhost::ParseOperationName(c.operation);
        auto fail = [&] {
            if (c.emptySlot) {
                h.host.EmptySlot(op.op);
                (void)h.session.Rehand();
            } else {
                h.host.faults.Set(op, ErrGeneral);
            }
        };
        if (c.beforeFirst)
            fail();
        h.host.language = c.beforeFirst ? "GER" : "INT";
        Import(Product("Wool", "u-1"));
        if (!c.beforeFirst)
            fail();
        // The second import re-imports the first name when the fault concerns modifying it.
        const bool again =
            std::string(c.operation) == "ModifyAttribute" || std::string(c.operation) == "GetAttribute";
        Import(Product(again ? "Wool" : "Glass", "u-2", "Finish"));
        EXPECT_NE(std::string(LastImportResultText.ToCStr()).find(R"("Success":true})"), std::string::npos)
            << LastImportResultText.ToCStr();
        c.check(h);
    }
}

} // namespace material_importer_test
