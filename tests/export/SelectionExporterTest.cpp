#include "export/SelectionExporter.h"
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using nlohmann::json;
using testing_support::InProcessHost;

namespace {

GS::Guid AddElement(simhost::Host& host, Int32 type, const std::string& id) {
    simhost::Element e;
    e.guid = GS::Guid::Generate();
    e.type = type;
    e.id = id;
    host.project.elements.elements.push_back(e);
    return e.guid;
}

constexpr const char* WallIcon = "/images/icons/icon-wall-color.svg";
constexpr const char* FamilyIcon = "/images/icons/icon-family.svg";

} // namespace

TEST(SelectionExport, NothingSelectedIsAnEmptyArrayAndTheMarqueeIsReleased) {
    InProcessHost h;
    AddElement(h.host, ElemTypeWall, "W1"); // placed, not selected
    Int64 blocks = BM::LiveBlocks();
    EXPECT_EQ(GetSelectionText().ToCStr(CC_UTF8), "[]");
    EXPECT_EQ(BM::LiveBlocks(), blocks);
    EXPECT_EQ(h.host.counters.Of("GetSelection"), 1u);
    EXPECT_EQ(h.host.counters.Of("GetElementHeader"), 0u);
}

TEST(SelectionExport, ASelectionThatCannotBeReadIsEmpty) {
    InProcessHost h;
    h.host.project.selection.guids.push_back(AddElement(h.host, ElemTypeWall, "W1"));
    h.host.faults.Set({HostOp::GetSelection, std::nullopt}, ErrGeneral);
    EXPECT_EQ(GetSelectionText().ToCStr(CC_UTF8), "[]");
}

TEST(SelectionExport, ElementsInSelectionOrderWithTheirTypeThumbnail) {
    InProcessHost h;
    GS::Guid object = AddElement(h.host, ElemTypeObject, "Chair 1");
    GS::Guid wall = AddElement(h.host, ElemTypeWall, "Wand \xC3\x84");
    GS::Guid slab = AddElement(h.host, ElemTypeSlab, "S1");
    GS::Guid roof = AddElement(h.host, ElemTypeRoof, "R1");
    AddElement(h.host, ElemTypeWall, "not selected");
    // A wall right before an object: the object still gets the family icon.
    h.host.project.selection.guids = {roof, wall, object, slab};
    Int64 blocks = BM::LiveBlocks();
    EXPECT_EQ(
        GetSelectionText().ToCStr(CC_UTF8),
        R"([{"full_title":"R1","thumbnail":"/images/icons/icon-roof-color.svg","title":"R1","type":"Roof","url":"#"},)"
        "{\"full_title\":\"Wand \xC3\x84\",\"thumbnail\":\"/images/icons/icon-wall-color.svg\",\"title\":"
        "\"Wand \xC3\x84\",\"type\":\"Wall\",\"url\":\"#\"},"
        R"({"full_title":"Chair 1","thumbnail":"/images/icons/icon-family.svg","title":"Chair 1","type":"Object","url":"#"},)"
        R"({"full_title":"S1","thumbnail":"/images/icons/icon-ceiling-color.svg","title":"S1","type":"Slab","url":"#"}])");
    EXPECT_EQ(BM::LiveBlocks(), blocks);
    EXPECT_EQ(h.host.counters.Of("GetElementHeader"), 4u);
    EXPECT_EQ(h.host.counters.Of("UtilityRequest.GETN"), 4u);
    EXPECT_EQ(h.host.counters.Of("ElementRequest.GEIS"), 8u);
}

TEST(SelectionExport, OnlyTheThreeExactTypeNamesHaveTheirOwnThumbnail) {
    const std::pair<const char*, const char*> cases[] = {
        {"Wall", WallIcon},
        {"Slab", "/images/icons/icon-ceiling-color.svg"},
        {"Roof", "/images/icons/icon-roof-color.svg"},
        {"wall", FamilyIcon},
        {"WALL", FamilyIcon},
        {"Wall ", FamilyIcon},
        {"Slabs", FamilyIcon},
        {"roof", FamilyIcon},
        {"Object", FamilyIcon},
        {"", FamilyIcon},
    };
    for (const auto& [type, thumbnail] : cases) {
        SelectionEntry entry;
        entry.type = GS::UniString(type);
        json object = entry.ToJson();
        EXPECT_EQ(object["thumbnail"], thumbnail) << type;
        EXPECT_EQ(object["type"], type);
        EXPECT_EQ(object["url"], "#");
        EXPECT_EQ(entry.thumbnail, GS::UniString(FamilyIcon)) << "the entry itself keeps the family icon";
    }
}

// Each element's entry holds its own texts: a look-up that fails leaves its field as it began,
// never the element before's.
TEST(SelectionExport, AFailedLookUpLeavesItsFieldAtItsInitialText) {
    InProcessHost h;
    GS::Guid wall = AddElement(h.host, ElemTypeWall, "W1");
    GS::Guid gone = AddElement(h.host, ElemTypeSlab, "S1");
    GS::Guid odd = AddElement(h.host, 3, "X1"); // a type the host has no name for
    GS::Guid roof = AddElement(h.host, ElemTypeRoof, "R1");
    h.host.project.selection.guids = {wall, gone, odd, roof};
    // The second element disappears behind the selection's back: every look-up of it fails.
    auto& store = h.host.project.elements.elements;
    store.erase(store.begin() + 1);

    json selection = json::parse(GetSelectionText().ToCStr(CC_UTF8));
    ASSERT_EQ(selection.size(), 4u);
    EXPECT_EQ(selection[1], json::parse(R"({"full_title":"","thumbnail":"/images/icons/icon-family.svg",
                                           "title":"","type":"","url":"#"})"));
    EXPECT_EQ(selection[2]["type"], "") << "no name for its type, and not the wall's";
    EXPECT_EQ(selection[2]["thumbnail"], FamilyIcon);
    EXPECT_EQ(selection[2]["full_title"], "X1");
    EXPECT_EQ(selection[2]["title"], "X1");
    EXPECT_EQ(selection[3]["title"], "R1");
    EXPECT_EQ(selection[3]["type"], "Roof");
}
