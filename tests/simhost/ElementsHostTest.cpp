// simhost's elements and their quantities.
#include "host/HostApi.h"
#include "model/Project.h"
#include "support/DrawnElements.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <cstring>

using testing_support::InProcessHost;

namespace {
// An element of a building material (walls 3, slabs 4, roofs 5), or of composite `composite`.
simhost::Element Placed(Int32 type, double area, Int32 composite = 0, bool fail = false) {
    simhost::Element e;
    e.guid = GS::Guid::Generate();
    e.type = type;
    e.area = area;
    e.quantitiesFail = fail;
    if (type == ElemTypeWall)
        e.wallAttribute = 3;
    if (type == ElemTypeSlab)
        e.slabAttribute = 4;
    if (type == ElemTypeRoof)
        e.roofAttribute = 5;
    if (composite != 0) {
        e.structure = simhost::Structure::Composite;
        simhost::OwnReference(e) = composite;
    }
    return e;
}
} // namespace

// A composite element has one entry per skin of its composite as it is when asked, each of the
// element's area; the composite's later edits show, and without the composite there is nothing
// to compute.
TEST(SimhostElements, QuantitiesAreComputedFromTheElementAndItsCompositeAsTheyAreNow) {
    InProcessHost h;
    simhost::Project& project = h.host.project;
    testing_support::AddComposite(project, {7, 8});
    testing_support::AddComposite(project, {9});
    testing_support::AddComposite(project, {4, 5});
    auto& elements = project.elements.elements;
    elements = {Placed(ElemTypeWall, 2.5, 1), Placed(ElemTypeSlab, 4.0),
                Placed(ElemTypeRoof, 6.0),    Placed(ElemTypeWall, 1.0, 0, true),
                Placed(ElemTypeRoof, 3.0, 2), Placed(ElemTypeSlab, 1.5, 3)};
    // After the drawing: composite 1 takes other skins, composite 2 is deleted.
    project.attributes.composites[0].skins = {{6, 0, 0, 0.1}, {7, 0, 0, 0.1}, {6, 0, 0, 0.2}};
    ASSERT_EQ(project.attributes.Delete(AttrTypeComposite, project.attributes.composites[1].name), NoError);
    const struct {
        size_t element;
        GSErrCode code;
        double area, roofArea;
        std::vector<std::pair<Int32, double>> entries;
    } cases[] = {
        {0, NoError, 2.5, 0.0, {{6, 2.5}, {7, 2.5}, {6, 2.5}}},
        {1, NoError, 4.0, 0.0, {}},
        {2, NoError, 0.0, 6.0, {}},
        {3, ErrGeneral, 0.0, 0.0, {}},
        {4, ErrGeneral, 0.0, 0.0, {}},
        {5, NoError, 1.5, 0.0, {{4, 1.5}, {5, 1.5}}},
    };
    API_QuantitiesMask mask;
    std::memset(&mask, 0xFF, sizeof mask);
    API_QuantityPar params{};
    GS::Array<API_CompositeQuantity> composites;
    composites.Push(API_CompositeQuantity{1, 1, 1, 99.0, 99, 0}); // a stale entry from an earlier call
    for (const auto& c : cases) {
        API_ElementQuantity q{};
        API_Quantities out{&q, &composites};
        GSErrCode code = HostApi::GetElementQuantities(&elements[c.element].guid, &params, &out, &mask);
        EXPECT_EQ(code, c.code) << c.element;
        if (code != NoError)
            continue;
        EXPECT_EQ(q.area, c.area);
        EXPECT_EQ(q.roofArea, c.roofArea);
        ASSERT_EQ(composites.GetSize(), c.entries.size());
        for (UInt32 i = 0; i < composites.GetSize(); ++i) {
            EXPECT_EQ(composites[i].buildMatIndex, c.entries[i].first);
            EXPECT_EQ(composites[i].area, c.entries[i].second);
        }
    }
    GS::Guid unknown = GS::Guid::Generate();
    API_ElementQuantity q{};
    API_Quantities out{&q, &composites};
    EXPECT_EQ(HostApi::GetElementQuantities(&unknown, &params, &out, &mask), ErrNotFound);
    EXPECT_EQ(HostApi::GetElementQuantities(&elements[0].guid, &params, &out, nullptr), ErrBadParameter);
}

TEST(SimhostElements, ListsByTypeInCreationOrderAndReadsTheReferences) {
    InProcessHost h;
    auto& elements = h.host.project.elements.elements;
    elements = {Placed(ElemTypeWall, 1), Placed(ElemTypeRoof, 1), Placed(ElemTypeWall, 1)};
    GS::Array<API_Guid> walls;
    ASSERT_EQ(HostApi::ListElementsByType(ElemTypeWall, &walls, 0, 0, nullptr), NoError);
    ASSERT_EQ(walls.GetSize(), 2u);
    EXPECT_EQ(walls[0], elements[0].guid);
    EXPECT_EQ(walls[1], elements[2].guid);
    EXPECT_EQ(HostApi::ListElementsByType(2, &walls, 0, 0, nullptr), ErrBadParameter);

    API_Element e{};
    e.header.guid = elements[1].guid;
    ASSERT_EQ(HostApi::GetElement(&e, 0), NoError);
    EXPECT_EQ(e.header.typeID, ElemTypeRoof);
    EXPECT_EQ(e.roofAttribute, 5);
    EXPECT_EQ(e.wallAttribute, 0);
    std::memset(static_cast<void*>(&e), 0xA5, sizeof e);
    e.header.guid = elements[0].guid;
    ASSERT_EQ(HostApi::GetElement(&e, 0), NoError);
    EXPECT_EQ(e.wallAttribute, 3);
    EXPECT_EQ(e.roofAttribute, 0) << "the record is filled, not patched";
    API_Element missing{};
    missing.header.guid = GS::Guid::Generate();
    EXPECT_EQ(HostApi::GetElement(&missing, 0), ErrNotFound);
}

// References of an element made of a composite name composites, those of any other element
// building materials. Files of before kept a composite element's quantity entries instead of its
// structure: the entries tell the structure, and are not kept. Files written when elements
// carried "attributeType" still open.
TEST(SimhostElements, TheProjectFileChecksReferencesByWhatTheElementIsMadeOf) {
    using nlohmann::json;
    const json attributes = {
        {"buildingMaterials", {{{"guid", "11111111-1111-1111-1111-111111111111"}, {"name", "Brick"}}}},
        {"composites",
         {{{"guid", "22222222-2222-2222-2222-222222222222"},
           {"name", "Outer"},
           {"structureKind", 1},
           {"skins", {{{"buildingMaterial", 1}, {"thickness", 0.1}}}},
           {"lines", {json::object(), json::object()}}}}}};
    const json skin = json::array({{{"buildingMaterial", 1}, {"area", 2.0}}});
    const struct {
        json fields;           // of the one element besides its guid and type
        const char* structure; // as written back; empty: the file is refused
        const char* fault;
    } cases[] = {
        {{{"wallAttribute", 1}}, "material", ""},
        {{{"wallAttribute", 1}, {"attributeType", 5}}, "material", ""}, // the key of older files is ignored
        {{{"wallAttribute", 1}, {"attributeType", "x"}}, "material", ""},
        {{{"wallAttribute", 1}, {"composite", skin}}, "composite", ""},
        {{{"wallAttribute", 1}, {"composite", json::array()}}, "material", ""},
        {{{"wallAttribute", 1}, {"structure", "composite"}}, "composite", ""},
        {{{"wallAttribute", 1}, {"structure", "material"}, {"composite", skin}}, "material", ""},
        {{{"wallAttribute", 9}}, "", "elements[0].wallAttribute refers to building material 9"},
        {{{"wallAttribute", 9}, {"structure", "composite"}},
         "",
         "elements[0].wallAttribute refers to composite 9"},
        {{{"extraAttribute", 2}, {"composite", skin}},
         "",
         "elements[0].extraAttribute refers to composite 2"},
        {{{"roofAttribute", -1}, {"composite", skin}}, "", "elements[0].roofAttribute is negative"},
        {{{"wallAttribute", 1}, {"structure", 5}}, "", "elements[0].structure is neither"},
        {{{"wallAttribute", 1}, {"composite", "x"}}, "", "elements[0].composite is not an array"},
    };
    for (const auto& c : cases) {
        json element = {{"guid", "33333333-3333-3333-3333-333333333333"}, {"type", 1}};
        element.update(c.fields);
        const json file = {{"format", "simhost-project"},
                           {"version", 1},
                           {"attributes", attributes},
                           {"elements", {element}}};
        try {
            simhost::Project p = simhost::ProjectFromJson(file, "p.json");
            EXPECT_STREQ(c.fault, "") << "accepted " << element;
            const json written =
                simhost::ProjectToJson(simhost::ProjectFromJson(simhost::ProjectToJson(p), "again"));
            EXPECT_EQ(written["elements"][0]["structure"], c.structure) << element;
            EXPECT_FALSE(written["elements"][0].contains("attributeType"));
            EXPECT_FALSE(written["elements"][0].contains("composite"));
        } catch (const simhost::ProjectFileError& e) {
            ASSERT_STRNE(c.fault, "") << e.what();
            EXPECT_NE(std::string(e.what()).find(c.fault), std::string::npos) << e.what();
        }
    }
}
