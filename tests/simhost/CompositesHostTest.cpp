// simhost's composite structures and attribute user data, as the host answers for them.
#include "gs/MemoryManagerControls.h"
#include "host/HostApi.h"
#include "host/HostHandle.h"
#include "model/Project.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <tuple>

using nlohmann::json;
using testing_support::InProcessHost;

namespace {

void AddMaterials(InProcessHost& h, int count) {
    for (int i = 1; i <= count; ++i) {
        simhost::BuildingMaterial m;
        m.guid = GS::Guid::Generate();
        m.name = "M" + std::to_string(i);
        h.host.project.attributes.buildingMaterials.push_back(m);
    }
}

// A composite request of `skins` skins of material 1, 2, …, with blocks of the given entry counts.
struct Request {
    API_Attribute attribute{};
    HostHandle skinBlock;
    HostHandle lineBlock;
    API_AttributeDefinitions definitions{};

    Request(const char* name, Int16 skins, Int64 skinEntries, Int64 lineEntries)
        : skinBlock(skinEntries * Int64(sizeof(API_CompositeSkin))),
          lineBlock(lineEntries * Int64(sizeof(API_CompositeLine))) {
        attribute.header.typeID = AttrTypeComposite;
        attribute.header.structureKind = 1;
        std::strncpy(attribute.header.name, name, sizeof attribute.header.name - 1);
        attribute.composite.nSkins = skins;
        for (Int64 i = 0; i < skinEntries; ++i)
            skinBlock.As<API_CompositeSkin>()[i] = {Int32(i + 1), 1, 1, 0.01 * double(i + 1)};
        for (Int64 i = 0; i < lineEntries; ++i)
            lineBlock.As<API_CompositeLine>()[i].lineType = 1,
            lineBlock.As<API_CompositeLine>()[i].linePen = 2;
        attribute.composite.totalThickness = 0.06;
        definitions.compositeSkins = skinBlock.Get();
        definitions.compositeLines = lineBlock.Get();
    }
    GSErrCode Create() { return HostApi::CreateAttributeWithDefinitions(&attribute, &definitions); }
};

} // namespace

TEST(SimhostComposites, CreationChecksTheRecordAndBlocksAgainstTheSkinCount) {
    const struct {
        const char* what;
        std::function<void(Request&)> change;
        GSErrCode code;
    } cases[] = {
        {"as handed over", [](Request&) {}, NoError},
        {"a skin block one entry short", [](Request& r) { r.attribute.composite.nSkins = 4; },
         ErrBadParameter},
        {"a skin count one short", [](Request& r) { r.attribute.composite.nSkins = 2; }, ErrBadParameter},
        {"a negative skin count", [](Request& r) { r.attribute.composite.nSkins = -1; }, ErrBadParameter},
        {"no skin block", [](Request& r) { r.definitions.compositeSkins = nullptr; }, ErrBadParameter},
        {"no line block", [](Request& r) { r.definitions.compositeLines = nullptr; }, ErrBadParameter},
        {"lines for as many skins", [](Request& r) { r.definitions.compositeLines = r.skinBlock.Get(); },
         ErrBadParameter},
        {"a skin of material 0",
         [](Request& r) { r.skinBlock.As<API_CompositeSkin>()[1].buildingMaterial = 0; }, ErrBadIndex},
        {"a skin of an unknown material",
         [](Request& r) { r.skinBlock.As<API_CompositeSkin>()[2].buildingMaterial = 4; }, ErrBadIndex},
        {"a negative skin", [](Request& r) { r.skinBlock.As<API_CompositeSkin>()[0].thickness = -0.1; },
         ErrBadParameter},
        {"a thickness that is no number", [](Request& r) { r.attribute.composite.totalThickness = NAN; },
         ErrBadParameter},
        {"an unknown structure kind", [](Request& r) { r.attribute.header.structureKind = 8; },
         ErrBadParameter},
        {"a ceiling as a roof", [](Request& r) { r.attribute.header.structureKind = 4; }, NoError},
        {"no structure kind", [](Request& r) { r.attribute.header.structureKind = 0; }, NoError},
        {"an empty name", [](Request& r) { r.attribute.header.name[0] = 0; }, ErrBadParameter},
        {"a building-material record without blocks",
         [](Request& r) {
             r.attribute.header.typeID = AttrTypeBuildingMaterial;
             std::memset(r.attribute.body, 0, sizeof r.attribute.body);
             r.definitions = {};
         },
         NoError},
        {"an unknown type", [](Request& r) { r.attribute.header.typeID = 3; }, ErrBadParameter},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        AddMaterials(h, 3);
        Request r("Wall A", 3, 3, 4);
        c.change(r);
        EXPECT_EQ(r.Create(), c.code) << c.what;
        const size_t expected = c.code == NoError && r.attribute.header.typeID == AttrTypeComposite ? 1 : 0;
        EXPECT_EQ(h.host.project.attributes.composites.size(), expected) << c.what;
        EXPECT_EQ(HostApi::CreateAttributeWithDefinitions(nullptr, &r.definitions), ErrBadParameter);
    }
}

TEST(SimhostComposites, ModifyingTakesTheRecordAndBlocksAndKeepsNameIdentityAndUserData) {
    const struct {
        const char* what;
        Int32 index; // in the request's header; 0: by name
        const char* name;
        Int16 skins; // the request's skin count and entries
        Int64 lines;
        GSErrCode code;
    } cases[] = {
        {"by name", 0, "Wall A", 2, 3, NoError},
        {"by index, whatever the name", 1, "Other", 2, 3, NoError},
        {"an unknown name", 0, "Nowhere", 2, 3, ErrNotFound},
        {"an unknown index", 3, "Wall A", 2, 3, ErrNotFound},
        {"blocks that disagree", 0, "Wall A", 2, 2, ErrBadParameter},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        AddMaterials(h, 3);
        Request made("Wall A", 3, 3, 4);
        ASSERT_EQ(made.Create(), NoError);
        simhost::Composite& stored = h.host.project.attributes.composites.at(0);
        stored.userData = simhost::AttributeUserData{0, 0x5757, "tag of 7"};
        const simhost::Composite before = stored;

        Request change(c.name, c.skins, c.skins, c.lines);
        change.attribute.header.index = c.index;
        change.attribute.header.structureKind = 2;
        change.attribute.composite.totalThickness = 0.03;
        EXPECT_EQ(HostApi::ModifyAttributeWithDefinitions(&change.attribute, &change.definitions), c.code)
            << c.what;
        ASSERT_EQ(h.host.project.attributes.composites.size(), 1u) << c.what;
        EXPECT_EQ(stored.name, "Wall A") << c.what;
        EXPECT_EQ(stored.guid, before.guid) << c.what;
        EXPECT_EQ(stored.userData->bytes, before.userData->bytes) << c.what;
        if (c.code == NoError) {
            EXPECT_EQ(change.attribute.header.index, 1) << c.what;
            EXPECT_EQ(stored.structureKind, 2) << c.what;
            EXPECT_EQ(stored.totalThickness, 0.03) << c.what;
            EXPECT_EQ(stored.skins.size(), 2u) << c.what;
            EXPECT_EQ(stored.lines.size(), 3u) << c.what;
        } else {
            EXPECT_EQ(stored.skins.size(), 3u) << c.what << ": left as it was";
            EXPECT_EQ(stored.structureKind, 1) << c.what;
        }
    }
}

TEST(SimhostComposites, ACreatedCompositeKeepsItsSkinsAndLinesAndReadsBack) {
    InProcessHost h;
    AddMaterials(h, 3);
    Request r("Wall A", 3, 3, 4);
    r.attribute.header.structureKind = 2;
    ASSERT_EQ(r.Create(), NoError);
    EXPECT_EQ(r.attribute.header.index, 1);
    EXPECT_FALSE(r.attribute.header.guid.IsNull());
    Request again("Wall A", 3, 3, 4);
    EXPECT_EQ(again.Create(), ErrNameExists);
    Request empty("Empty", 0, 0, 1);
    ASSERT_EQ(empty.Create(), NoError) << "a composite without skins has one line";
    EXPECT_EQ(empty.attribute.header.index, 2);

    const simhost::Composite& c = h.host.project.attributes.composites.at(0);
    EXPECT_EQ(c.name, "Wall A");
    EXPECT_EQ(c.structureKind, 2);
    EXPECT_EQ(c.totalThickness, 0.06);
    ASSERT_EQ(c.skins.size(), 3u);
    EXPECT_EQ(c.skins[2].buildingMaterial, 3);
    EXPECT_EQ(c.skins[2].framePen, 1);
    EXPECT_EQ(c.skins[2].flags, 1);
    EXPECT_EQ(c.skins[2].thickness, 0.03);
    ASSERT_EQ(c.lines.size(), 4u);
    EXPECT_EQ(c.lines[3].lineType, 1);
    EXPECT_EQ(c.lines[3].linePen, 2);

    Int32 count = 0;
    ASSERT_EQ(HostApi::GetAttributeCount(AttrTypeComposite, &count), NoError);
    EXPECT_EQ(count, 2);
    const struct {
        const char* name;
        Int32 index;
        GSErrCode code;
        Int32 found;
    } reads[] = {{"", 1, NoError, 1},
                 {"Empty", 0, NoError, 2},
                 {"M1", 0, ErrNotFound, 0},
                 {"", 3, ErrBadIndex, 0},
                 {"", -1, ErrBadIndex, 0}};
    for (const auto& read : reads) {
        API_Attribute a{};
        a.header.typeID = AttrTypeComposite;
        a.header.index = read.index;
        std::strncpy(a.header.name, read.name, sizeof a.header.name - 1);
        EXPECT_EQ(HostApi::GetAttribute(&a), read.code) << read.name << read.index;
        if (read.code != NoError)
            continue;
        EXPECT_EQ(a.header.index, read.found);
        EXPECT_EQ(a.composite.nSkins, read.found == 1 ? 3 : 0);
        EXPECT_EQ(a.composite.nLines, read.found == 1 ? 4 : 1);
        if (read.found == 1) {
            EXPECT_STREQ(a.header.name, "Wall A");
            EXPECT_EQ(a.header.structureKind, 2);
            EXPECT_EQ(a.header.guid, r.attribute.header.guid);
            EXPECT_EQ(a.composite.totalThickness, 0.06);
        }
        // The blocks come apart, as new handles of the caller's.
        API_AttributeDefinitions definitions{};
        ASSERT_EQ(HostApi::GetAttributeDefinitions(&a.header, &definitions), NoError) << read.found;
        HostHandle skins, lines;
        *skins.Out() = definitions.compositeSkins;
        *lines.Out() = definitions.compositeLines;
        ASSERT_EQ(BMGetHandleSize(skins.Get()), Int64(a.composite.nSkins * sizeof(API_CompositeSkin)));
        ASSERT_EQ(BMGetHandleSize(lines.Get()), Int64(a.composite.nLines * sizeof(API_CompositeLine)));
        if (read.found == 1) {
            EXPECT_EQ(skins.As<API_CompositeSkin>()[2].buildingMaterial, 3);
            EXPECT_EQ(skins.As<API_CompositeSkin>()[2].thickness, 0.03);
            EXPECT_EQ(lines.As<API_CompositeLine>()[3].linePen, 2);
        }
    }
    API_AttributeHeader header{};
    API_AttributeDefinitions definitions{};
    for (const auto& [type, index, code] :
         {std::tuple{AttrTypeComposite, 3, ErrBadIndex}, {AttrTypeBuildingMaterial, 1, ErrBadParameter}}) {
        header.typeID = type;
        header.index = index;
        EXPECT_EQ(HostApi::GetAttributeDefinitions(&header, &definitions), code);
        EXPECT_EQ(definitions.compositeSkins, nullptr) << "nothing handed out";
    }
}

// User data is the add-on's bytes, kept as they are (any size up to the limit, any content) and
// read back into the caller's block, made as large as they are.
TEST(SimhostComposites, UserDataIsKeptAsItsBytesPerAttributeAndReadBackIntoTheCallersBlock) {
    InProcessHost h;
    AddMaterials(h, 3);
    Request r("Wall A", 1, 1, 2);
    ASSERT_EQ(r.Create(), NoError);
    API_AttributeHeader composite{};
    composite.typeID = AttrTypeComposite;
    std::strcpy(composite.name, "Wall A"); // found by name
    API_AttributeHeader material{};
    material.typeID = AttrTypeBuildingMaterial;
    material.index = 2;
    {
        HostHandle none(32);
        API_AttributeUserData read{};
        read.dataHdl = none.Get();
        EXPECT_EQ(HostApi::GetAttributeUserData(&composite, &read), ErrNotFound) << "none stored yet";
    }
    const struct {
        API_AttributeHeader* attribute;
        std::string bytes;
        GSErrCode code;
        size_t callersBlock; // the size of the block the caller reads it into
    } cases[] = {
        {&composite, std::string("\0\x01pointer-free? no matter", 25), NoError, 32},
        {&material, "", NoError, 8},
        {&composite, std::string(size_t(AttributeUserDataMaxBytes), 'x'), NoError, 0},
        {&composite, std::string(size_t(AttributeUserDataMaxBytes) + 1, 'x'), ErrBadParameter, 0},
        {&composite, "odd", NoError, 3},
    };
    std::string kept;
    for (const auto& c : cases) {
        HostHandle block(Int64(c.bytes.size()));
        std::memcpy(*block.Get(), c.bytes.data(), c.bytes.size());
        API_AttributeUserData data{};
        data.dataVersion = 3;
        data.platformSign = PlatformSignature;
        data.dataHdl = block.Get();
        ASSERT_EQ(HostApi::SetAttributeUserData(c.attribute, &data), c.code) << c.bytes.size();
        if (c.code == NoError && c.attribute == &composite)
            kept = c.bytes;
        std::memset(*block.Get(), 'z', c.bytes.size()); // the host kept its own copy
        HostHandle into(Int64(c.callersBlock));
        API_AttributeUserData read{};
        read.dataHdl = into.Get();
        ASSERT_EQ(HostApi::GetAttributeUserData(c.attribute, &read), NoError);
        EXPECT_EQ(read.dataHdl, into.Get()) << "the caller's own block";
        EXPECT_EQ(std::string(*into.Get(), size_t(BMGetHandleSize(into.Get()))),
                  c.attribute == &composite ? kept : c.bytes);
        EXPECT_EQ(read.dataVersion, 3);
        EXPECT_EQ(read.platformSign, PlatformSignature);
    }
    EXPECT_FALSE(h.host.project.attributes.buildingMaterials[0].userData.has_value());

    API_AttributeUserData noBlock{};
    EXPECT_EQ(HostApi::GetAttributeUserData(&composite, &noBlock), ErrBadParameter);
    EXPECT_EQ(HostApi::SetAttributeUserData(&composite, &noBlock), ErrBadParameter);
    HostHandle block(4);
    API_AttributeUserData data{};
    data.dataHdl = block.Get();
    HostHandle into(1);
    API_AttributeUserData read{};
    read.dataHdl = into.Get();
    BM::FailAllocations(0, 1);
    EXPECT_EQ(HostApi::GetAttributeUserData(&composite, &read), ErrOutOfMemory) << "the block cannot grow";
    BM::ClearFailures();
    API_AttributeHeader unknown = composite;
    unknown.index = 2;
    EXPECT_EQ(HostApi::SetAttributeUserData(&unknown, &data), ErrNotFound);
    EXPECT_EQ(HostApi::GetAttributeUserData(&unknown, &read), ErrNotFound);
    unknown.typeID = 9;
    EXPECT_EQ(HostApi::SetAttributeUserData(&unknown, &data), ErrNotFound);
    EXPECT_EQ(HostApi::SetAttributeUserData(nullptr, &data), ErrBadParameter);
    EXPECT_EQ(h.host.project.attributes.composites[0].userData->bytes, kept) << "refusals change nothing";
}

TEST(SimhostComposites, TheProjectFileKeepsCompositesAndUserDataAndReadsOlderFiles) {
    simhost::Project p;
    simhost::BuildingMaterial m;
    m.guid = GS::Guid::Generate();
    m.name = "Brick";
    m.userData = simhost::AttributeUserData{1, 0x5757, std::string("a\0b", 3)};
    p.attributes.buildingMaterials.push_back(m);
    simhost::Composite c;
    c.guid = GS::Guid::Generate();
    c.name = "Wall";
    c.structureKind = 1;
    c.totalThickness = 0.1625;
    c.skins = {{1, 1, 1, 0.1}, {1, 1, 1, 0.0625}};
    c.lines = {{1, 1}, {1, 1}, {1, 1}};
    c.userData = simhost::AttributeUserData{0, 0x5757, "\x01\x02"};
    p.attributes.composites.push_back(c);
    p.attributes.composites.push_back({GS::Guid::Generate(), "Bare", 2, 0.0, {}, {{0, 0}}, std::nullopt});
    const json saved = simhost::ProjectToJson(p);
    const simhost::Project loaded = simhost::ProjectFromJson(saved, "p.json");
    EXPECT_EQ(simhost::ProjectToJson(loaded), saved);
    ASSERT_EQ(loaded.attributes.composites.size(), 2u);
    EXPECT_EQ(loaded.attributes.composites[0].skins[1].thickness, 0.0625);
    EXPECT_EQ(loaded.attributes.composites[0].userData->bytes, "\x01\x02");
    EXPECT_EQ(loaded.attributes.buildingMaterials[0].userData->bytes, std::string("a\0b", 3));
    EXPECT_FALSE(loaded.attributes.composites[1].userData.has_value());

    json older = saved;
    older["attributes"].erase("composites");
    older["attributes"]["buildingMaterials"][0].erase("userData");
    const simhost::Project old = simhost::ProjectFromJson(older, "old.json");
    EXPECT_TRUE(old.attributes.composites.empty());
    EXPECT_FALSE(old.attributes.buildingMaterials[0].userData.has_value());
    // Files of before kept a block of host strings as their texts: the bytes are those strings.
    json texts = saved;
    texts["attributes"]["composites"][0]["userData"] = {{"version", 0}, {"texts", {"12", "Q7"}}};
    std::string written;
    GS::AppendSerialized(written, GS::UniString("12"));
    GS::AppendSerialized(written, GS::UniString("Q7"));
    EXPECT_EQ(simhost::ProjectFromJson(texts, "texts.json").attributes.composites[0].userData->bytes,
              written);

    const std::pair<std::function<void(json&)>, std::string> faults[] = {
        {[](json& a) { a["composites"][0]["skins"][0]["buildingMaterial"] = 2; },
         "attributes.composites[0] has a skin of an unknown building material 2"},
        {[](json& a) { a["composites"][1]["lines"] = json::array(); }, "has 0 separator lines for 0 skins"},
        {[](json& a) { a["composites"][1]["name"] = "Wall"; },
         "attributes.composites[1] repeats the name \"Wall\""},
        {[](json& a) { a["composites"][1]["guid"] = a["composites"][0]["guid"]; }, "repeats the guid"},
        {[](json& a) { a["composites"][0]["name"] = ""; }, "has an empty name"},
        {[](json& a) { a["composites"][0]["userData"] = 5; }, "userData is not an object"},
        {[](json& a) { a["composites"][0]["userData"]["hex"] = "0g"; },
         "userData: \"hex\" holds a character"},
        {[](json& a) { a["composites"][0]["userData"]["hex"] = std::string(2 * 65537, 'a'); },
         "userData holds more than 65536 bytes"},
        {[](json& a) { a["composites"] = json::object(); }, "attributes.composites is not an array"},
    };
    for (const auto& [change, message] : faults) {
        json bad = saved;
        change(bad["attributes"]);
        try {
            simhost::ProjectFromJson(bad, "bad.json");
            ADD_FAILURE() << message;
        } catch (const simhost::ProjectFileError& e) {
            EXPECT_NE(std::string(e.what()).find("bad.json: "), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}
