// simhost's building materials, as the host answers for them.
#include "host/HostApi.h"
#include "model/Project.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <cstring>

using testing_support::InProcessHost;

namespace {
API_Attribute Material(const char* name, Int32 index = 0) {
    API_Attribute a{};
    a.header.typeID = AttrTypeBuildingMaterial;
    a.header.index = index;
    std::strncpy(a.header.name, name, sizeof a.header.name - 1);
    return a;
}
} // namespace

TEST(SimhostAttributes, CreateRefusesTakenAndEmptyNamesAndReadsBackByIndexOrName) {
    InProcessHost h;
    GS::UniString id("QV_001"), maker("Maker"), description("Wool");
    API_Attribute a = Material("Wool");
    a.buildingMaterial.id = &id;
    a.buildingMaterial.manufacturer = &maker;
    a.buildingMaterial.description = &description;
    a.buildingMaterial.cutFill = 5;
    a.buildingMaterial.cutFillBackgroundPen = 117;
    ASSERT_EQ(HostApi::CreateAttribute(&a, nullptr), NoError);
    EXPECT_EQ(a.header.index, 1);
    EXPECT_FALSE(a.header.guid.IsNull());

    API_Attribute again = Material("Wool");
    EXPECT_EQ(HostApi::CreateAttribute(&again, nullptr), ErrNameExists);
    API_Attribute empty = Material("");
    EXPECT_EQ(HostApi::CreateAttribute(&empty, nullptr), ErrBadParameter);
    API_Attribute other = Material("wool"); // names are case-sensitive
    EXPECT_EQ(HostApi::CreateAttribute(&other, nullptr), NoError);
    EXPECT_EQ(other.header.index, 2);

    Int32 count = 0;
    EXPECT_EQ(HostApi::GetAttributeCount(AttrTypeBuildingMaterial, &count), NoError);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(HostApi::GetAttributeCount(99, &count), ErrBadParameter);

    const struct {
        const char* name;
        Int32 index;
        GSErrCode code;
        Int32 foundIndex;
    } reads[] = {
        {"", 1, NoError, 1},         {"", 2, NoError, 2},      {"Wool", 0, NoError, 1},
        {"wool", 0, NoError, 2},     {"Other", 2, NoError, 2}, // the index wins over the name
        {"Nope", 0, ErrNotFound, 0}, {"", 0, ErrNotFound, 0},  {"", 3, ErrBadIndex, 0},
        {"", -1, ErrBadIndex, 0},
    };
    for (const auto& r : reads) {
        API_Attribute read = Material(r.name, r.index);
        GS::UniString readId, readMaker;
        read.buildingMaterial.id = &readId;
        read.buildingMaterial.manufacturer = &readMaker;
        EXPECT_EQ(HostApi::GetAttribute(&read), r.code) << r.name << " " << r.index;
        if (r.code == NoError) {
            EXPECT_EQ(read.header.index, r.foundIndex);
            if (r.foundIndex == 1) {
                EXPECT_STREQ(read.header.name, "Wool");
                EXPECT_EQ(readId.ToCStr(), "QV_001");
                EXPECT_EQ(readMaker.ToCStr(), "Maker");
                EXPECT_EQ(read.buildingMaterial.cutFill, 5);
                EXPECT_EQ(read.buildingMaterial.cutFillBackgroundPen, 117);
            }
        }
    }
}

TEST(SimhostAttributes, ModifyReplacesTheRecordButKeepsIdentityAndFillsTheIndex) {
    InProcessHost h;
    API_Attribute a = Material("Brick");
    a.buildingMaterial.cutFill = 1;
    ASSERT_EQ(HostApi::CreateAttribute(&a, nullptr), NoError);
    GS::Guid guid = a.header.guid;

    API_Attribute m = Material("Brick");
    GS::UniString id("QV_002");
    m.buildingMaterial.id = &id;
    m.buildingMaterial.cutFill = 9;
    ASSERT_EQ(HostApi::ModifyAttribute(&m, nullptr), NoError);
    EXPECT_EQ(m.header.index, 1);
    const auto& stored = h.host.project.attributes.buildingMaterials.at(0);
    EXPECT_EQ(stored.guid, guid);
    EXPECT_EQ(stored.cutFill, 9);
    EXPECT_EQ(stored.id, "QV_002");

    API_Attribute missing = Material("Stone");
    EXPECT_EQ(HostApi::ModifyAttribute(&missing, nullptr), ErrNotFound);
    ASSERT_EQ(HostApi::CreateAttribute(&missing, nullptr), NoError);
    API_Attribute rename = Material("Brick", 2); // the second material may not take the first one's name
    EXPECT_EQ(HostApi::ModifyAttribute(&rename, nullptr), ErrNameExists);
    EXPECT_EQ(h.host.project.attributes.buildingMaterials.at(1).name, "Stone");
}

TEST(SimhostAttributes, PriorityConversionTakesUserLevelsZeroToFifteen) {
    InProcessHost h;
    const struct {
        GSIntPtr in;
        GSErrCode code;
        Int32 out;
    } cases[] = {{0, NoError, 0},
                 {8, NoError, 16},
                 {15, NoError, 30},
                 {16, ErrBadParameter, -1},
                 {-1, ErrBadParameter, -1},
                 // A by-value integer whose bits an Int32 cannot hold was not made from one.
                 {GSIntPtr(1) << 32, ErrBadParameter, -1}};
    for (const auto& c : cases) {
        Int32 out = -1;
        EXPECT_EQ(HostApi::UtilityRequest(GSType(Selector::U2EP), reinterpret_cast<void*>(GSIntPtr(c.in)),
                                          &out, nullptr, nullptr),
                  c.code)
            << c.in;
        EXPECT_EQ(out, c.out) << c.in;
    }
}
