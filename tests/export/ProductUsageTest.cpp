#include "export/ProductUsage.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "support/DrawnElements.h"
#include "support/ImportMaterial.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using nlohmann::json;
using testing_support::ImportMaterial;
using testing_support::InProcessHost;

namespace {

struct Use {
    Int32 type;
    Int32 wall = 0, roof = 0, slab = 0, extra = 0;
    double area = 0.0;
    // Made of a composite of these building materials' skins, which the element's own reference
    // names; none: made of a building material.
    std::vector<Int32> skins = {};
    bool fails = false;
};

void Place(InProcessHost& h, const Use& u) {
    simhost::Element e;
    e.guid = GS::Guid::Generate();
    e.type = u.type;
    e.wallAttribute = u.wall;
    e.roofAttribute = u.roof;
    e.slabAttribute = u.slab;
    e.extraAttribute = u.extra;
    e.area = u.area;
    e.quantitiesFail = u.fails;
    if (!u.skins.empty()) {
        e.structure = simhost::Structure::Composite;
        auto& composites = h.host.project.attributes.composites;
        while (composites.size() < size_t(simhost::OwnReference(e)))
            testing_support::AddComposite(h.host.project, {});
        composites.at(size_t(simhost::OwnReference(e) - 1)).skins.clear();
        for (Int32 m : u.skins)
            composites.at(size_t(simhost::OwnReference(e) - 1)).skins.push_back({m, 0, 0, 0.1});
    }
    h.host.project.elements.elements.push_back(e);
}
} // namespace

TEST(ProductUsage, CountsAndAreasFollowTheReferencesAndEntries) {
    const struct {
        const char* what;
        std::vector<Use> uses;
        Int32 count;
        double area;
    } cases[] = {
        {"nothing placed", {}, 0, 0.0},
        {"a wall", {{ElemTypeWall, 1, 0, 0, 0, 2.5}}, 1, 2.5},
        {"a slab", {{ElemTypeSlab, 0, 0, 1, 0, 4.0}}, 1, 4.0},
        {"a roof: its area at 48", {{ElemTypeRoof, 0, 1, 0, 0, 6.0}}, 1, 6.0},
        {"a roof's byte-8 area does not count", {{ElemTypeWall, 0, 1, 0, 0, 3.0}}, 1, 0.0},
        {"references at 128 and 136 count twice and add twice", {{ElemTypeSlab, 1, 0, 1, 0, 1.5}}, 2, 3.0},
        {"the reference at 276 counts without area", {{ElemTypeWall, 0, 0, 0, 1, 9.0}}, 1, 0.0},
        {"composite entries: one of the element's area per skin",
         {{ElemTypeWall, 2, 0, 0, 0, 1.25, {1, 3, 1}}},
         2,
         2.5},
        {"an element with entries is made of a composite: its references name composites",
         {{ElemTypeWall, 1, 0, 0, 1, 0.5, {1}}},
         1,
         0.5},
        {"failed quantities add nothing", {{ElemTypeWall, 1, 0, 0, 0, 2.0, {1}, true}}, 0, 0.0},
        {"objects are not walked", {{ElemTypeObject, 1, 1, 1, 1, 5.0}}, 0, 0.0},
        {"0.125 rounds up", {{ElemTypeWall, 1, 0, 0, 0, 0.125}}, 1, 0.13},
        {"0.124 rounds down", {{ElemTypeWall, 1, 0, 0, 0, 0.124}}, 1, 0.12},
        {"0.0025 rounds to zero", {{ElemTypeWall, 1, 0, 0, 0, 0.0025}}, 1, 0.0},
        {"sums over element types",
         {{ElemTypeRoof, 0, 1, 0, 0, 1.111},
          {ElemTypeWall, 1, 0, 0, 0, 2.222},
          {ElemTypeSlab, 0, 0, 1, 0, 3.333}},
         3,
         6.67},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        ImportMaterial("Wool", "u-1");
        ImportMaterial("Brick", "u-2");
        for (const auto& u : c.uses)
            Place(h, u);
        ProductUsageList list = ListTaggedMaterials();
        ASSERT_EQ(list.size(), 2u) << c.what;
        EXPECT_EQ(list[0].Uuid, "u-1");
        EXPECT_EQ(list[0].NumOfElements, c.count) << c.what;
        EXPECT_EQ(list[0].TotalArea, c.area) << c.what;
        EXPECT_FALSE(list[0].SuplierData);
        EXPECT_EQ(list[1].Uuid, "u-2");
    }
}

TEST(ProductUsage, RoundsToTwoDecimalsHalvesUp) {
    const std::pair<double, double> cases[] = {{0.125, 0.13}, {0.124, 0.12}, {0.0025, 0.0},  {0.005, 0.01},
                                               {2.675, 2.68}, {0.0, 0.0},    {-0.125, -0.12}};
    for (const auto& [sum, rounded] : cases)
        EXPECT_EQ(RoundArea(sum), rounded) << sum;
}

TEST(ProductUsage, OneWalkAnswersEveryMaterialWithEachElementQueriedOnce) {
    InProcessHost h;
    for (int i = 1; i <= 5; ++i)
        ImportMaterial("M" + std::to_string(i), "u-" + std::to_string(i));
    for (int i = 0; i < 12; ++i)
        Place(h, {i % 3 == 0   ? ElemTypeWall
                  : i % 3 == 1 ? ElemTypeSlab
                               : ElemTypeRoof,
                  1 + i % 5, 1 + i % 5, 1 + i % 5, 0, 0.1 * i});
    h.host.counters.Reset();
    ProductUsageList list = ListTaggedMaterials();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(h.host.counters.Of("GetElementQuantities"), 12u);
    EXPECT_EQ(h.host.counters.Of("GetElement"), 12u);
    EXPECT_EQ(h.host.counters.Of("ListElementsByType"), 3u);

    h.host.counters.Reset();
    EXPECT_EQ(CountTaggedMaterials(), 5);
    EXPECT_EQ(h.host.counters.Of("GetElementQuantities"), 0u) << "counting needs no usage scan";
    EXPECT_EQ(h.host.counters.Of("ListElementsByType"), 0u);
}

TEST(ProductUsage, OnlyMaterialsWithANonEmptyTagAreListedAndEachValueCounts) {
    InProcessHost h;
    ImportMaterial("Tagged", "u-1");
    ImportMaterial("Empty", "");
    RunImport(GS::UniString(
        R"({"importType":"MATERIAL_IMPORT","name":"Plain","uuid":"p","supplier":{"name":"S"}})"));
    // "Plain" loses its tag definition's value; a second "QV_UUID" definition in another group
    // gives "Tagged" two records.
    auto& store = h.host.project.attributes;
    store.buildingMaterials[2].propertyValues.clear();
    simhost::PropertyGroup other{GS::Guid::Generate(), "Other", ""};
    store.propertyGroups.push_back(other);
    simhost::PropertyDefinition second = store.propertyDefinitions[0];
    ASSERT_EQ(second.name, "QV_UUID");
    second.guid = GS::Guid::Generate();
    second.group = other.guid;
    store.propertyDefinitions.push_back(second);
    store.buildingMaterials[0].propertyValues[second.guid] = "u-1b";
    Place(h, {ElemTypeWall, 1, 0, 0, 0, 2.0});

    ProductUsageList list = ListTaggedMaterials();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Uuid, "u-1");
    EXPECT_EQ(list[1].Uuid, "u-1b");
    EXPECT_EQ(list[1].NumOfElements, 1);
    EXPECT_EQ(list[1].TotalArea, 2.0);
    EXPECT_EQ(CountTaggedMaterials(), 2);
}

TEST(ProductUsage, HostFailuresDropWhatTheyConcern) {
    const struct {
        const char* operation;
        size_t listed;
        Int32 count;
    } cases[] = {
        {"GetAttributeCount", 0, 0},
        {"GetAttribute", 0, 0},
        {"GetAttributePropertyDefinitions", 0, 0},
        {"GetAttributePropertyValue", 0, 0},
        {"ListElementsByType", 1, 0},
        {"GetElementQuantities", 1, 0},
        {"GetElement", 1, 0}, // its references read as 0
    };
    for (const auto& c : cases) {
        InProcessHost h;
        ImportMaterial("Wool", "u-1");
        Place(h, {ElemTypeWall, 1, 0, 0, 0, 2.0});
        h.host.faults.Set(*simhost::ParseOperationName(c.operation), ErrGeneral);
        ProductUsageList list = ListTaggedMaterials();
        ASSERT_EQ(list.size(), c.listed) << c.operation;
        if (c.listed == 1) {
            EXPECT_EQ(list[0].NumOfElements, c.count) << c.operation;
            EXPECT_EQ(list[0].TotalArea, 0.0) << c.operation;
        }
    }
}

TEST(ProductUsage, AProjectWithoutMaterialsListsNothing) {
    InProcessHost h;
    EXPECT_TRUE(ListTaggedMaterials().empty());
    EXPECT_EQ(CountTaggedMaterials(), 0);
}
