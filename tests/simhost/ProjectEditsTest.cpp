// A project people edit: deleted attributes leave holes that answer the host's "deleted" code,
// renamed ones keep their index, deleted elements and removed libraries leave the project, and
// the project file keeps all of it.
#include "model/ProjectEdits.h"
#include "cli/LibrarySteps.h"
#include "host/HostApi.h"
#include "host/HostHandle.h"
#include "support/InProcessHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using nlohmann::json;
using testing_support::InProcessHost;
using testing_support::TempFolder;
using testing_support::WriteFile;

namespace {

API_Attribute Header(Int32 type, Int32 index, const std::string& name = "") {
    API_Attribute a{};
    a.header.typeID = type;
    a.header.index = index;
    std::strncpy(a.header.name, name.c_str(), sizeof a.header.name - 1);
    return a;
}

Int32 Create(const std::string& name) {
    API_Attribute a = Header(AttrTypeBuildingMaterial, 0, name);
    EXPECT_EQ(HostApi::CreateAttribute(&a, nullptr), NoError) << name;
    return a.header.index;
}

void AddComposite(simhost::Project& p, const std::string& name, Int32 material) {
    simhost::Composite c;
    c.guid = GS::Guid::Generate();
    c.name = name;
    c.structureKind = 1;
    c.skins = {{material, 0, 0, 0.1}};
    c.lines = {{1, 1}, {1, 1}};
    p.attributes.composites.push_back(c);
}

simhost::Element Wall(const std::string& id, Int32 reference,
                      simhost::Structure structure = simhost::Structure::Material) {
    simhost::Element e;
    e.guid = GS::Guid::Generate();
    e.type = ElemTypeWall;
    e.id = id;
    e.wallAttribute = reference;
    e.area = 2.0;
    e.structure = structure;
    return e;
}

GSErrCode Read(Int32 type, Int32 index, const std::string& name = "", Int32* found = nullptr) {
    API_Attribute a = Header(type, index, name);
    GSErrCode code = HostApi::GetAttribute(&a);
    if (found != nullptr)
        *found = a.header.index;
    return code;
}

} // namespace

TEST(SimhostEdits, ADeletedAttributeLeavesAHoleThatAnswersDeleted) {
    InProcessHost h;
    simhost::Project& p = h.host.project;
    ASSERT_EQ(Create("A"), 1);
    ASSERT_EQ(Create("B"), 2);
    ASSERT_EQ(Create("C"), 3);
    AddComposite(p, "Wall", 2);
    AddComposite(p, "Other", 1);
    const struct {
        Int32 type;
        const char* name;
        GSErrCode code;
    } deletions[] = {{AttrTypeBuildingMaterial, "B", NoError},
                     {AttrTypeBuildingMaterial, "B", ErrNotFound},
                     {AttrTypeBuildingMaterial, "", ErrNotFound}, // the hole has no name
                     {AttrTypeComposite, "Wall", NoError},
                     {99, "A", ErrBadParameter}};
    for (const auto& d : deletions)
        EXPECT_EQ(simhost::DeleteAttribute(p, d.type, d.name), d.code) << d.name;

    Int32 count = 0;
    ASSERT_EQ(HostApi::GetAttributeCount(AttrTypeBuildingMaterial, &count), NoError);
    EXPECT_EQ(count, 3) << "the count does not shrink";
    ASSERT_EQ(HostApi::GetAttributeCount(AttrTypeComposite, &count), NoError);
    EXPECT_EQ(count, 2);
    const struct {
        Int32 type, index;
        const char* name;
        GSErrCode code;
    } reads[] = {
        {AttrTypeBuildingMaterial, 2, "", ErrDeleted}, {AttrTypeBuildingMaterial, 0, "B", ErrNotFound},
        {AttrTypeBuildingMaterial, 3, "", NoError},    {AttrTypeBuildingMaterial, 4, "", ErrBadIndex},
        {AttrTypeComposite, 1, "", ErrDeleted},        {AttrTypeComposite, 2, "", NoError},
        {AttrTypeComposite, 0, "Wall", ErrNotFound}};
    for (const auto& r : reads)
        EXPECT_EQ(Read(r.type, r.index, r.name), r.code) << r.type << "/" << r.index << r.name;

    // Every operation that names the hole by its index answers the same.
    API_Attribute hole = Header(AttrTypeBuildingMaterial, 2);
    EXPECT_EQ(HostApi::ModifyAttribute(&hole, nullptr), ErrDeleted);
    GS::Array<API_PropertyDefinition> definitions;
    EXPECT_EQ(HostApi::GetAttributePropertyDefinitions(&hole.header, 3, &definitions), ErrDeleted);
    API_Attribute compositeHole = Header(AttrTypeComposite, 1);
    HostHandle block(32);
    API_AttributeUserData data{};
    data.dataHdl = block.Get();
    EXPECT_EQ(HostApi::GetAttributeUserData(&compositeHole.header, &data), ErrDeleted);
    API_AttributeDefinitions compositeDefinitions{};
    EXPECT_EQ(HostApi::GetAttributeDefinitions(&compositeHole.header, &compositeDefinitions), ErrDeleted);

    // The hole's index is never given again; its name is free.
    EXPECT_EQ(Create("B"), 4);

    const struct {
        const char* name;
        std::string to;
        GSErrCode code;
    } renames[] = {
        {"C", "A", ErrNameExists},  {"C", "", ErrBadParameter}, {"C", std::string(256, 'x'), ErrBadParameter},
        {"Nope", "D", ErrNotFound}, {"C", "C", NoError},        {"C", "D", NoError}};
    for (const auto& r : renames)
        EXPECT_EQ(simhost::RenameAttribute(p, AttrTypeBuildingMaterial, r.name, r.to), r.code) << r.name;
    Int32 found = 0;
    EXPECT_EQ(Read(AttrTypeBuildingMaterial, 0, "D", &found), NoError);
    EXPECT_EQ(found, 3) << "a renamed attribute keeps its index";
    EXPECT_EQ(Read(AttrTypeBuildingMaterial, 0, "C"), ErrNotFound);

    // The project file keeps the holes where they were; files without holes still open.
    p.elements.elements = {Wall("W-1", 2), Wall("W-2", 1, simhost::Structure::Composite)};
    const json file = simhost::ProjectToJson(p);
    EXPECT_TRUE(file["attributes"]["buildingMaterials"][1].is_null());
    EXPECT_TRUE(file["attributes"]["composites"][0].is_null());
    simhost::Project back = simhost::ProjectFromJson(file, "edited.json");
    EXPECT_EQ(simhost::ProjectToJson(back), file);
    EXPECT_TRUE(back.attributes.IsDeleted(AttrTypeBuildingMaterial, 2));
    EXPECT_EQ(back.attributes.MaterialIndexOf("B"), 4);
    json older = file;
    older["attributes"]["buildingMaterials"].erase(1);
    older["attributes"]["composites"].erase(0);
    older["attributes"]["composites"][0]["skins"][0]["buildingMaterial"] = 1;
    older["elements"] = json::array();
    EXPECT_EQ(simhost::ProjectFromJson(older, "older.json").attributes.Count(AttrTypeBuildingMaterial), 3);
}

TEST(SimhostEdits, AnElementOfADeletedAttributeKeepsItsReference) {
    // The plain host and even seeds answer its record; odd seeds refuse the read.
    for (const std::optional<UInt64> variance :
         {std::optional<UInt64>(), std::optional<UInt64>(2), std::optional<UInt64>(3)}) {
        InProcessHost h;
        if (variance)
            h.host.Vary(*variance);
        simhost::Project& p = h.host.project;
        const Int32 gone = Create("Gone"), kept = Create("Kept");
        AddComposite(p, "Layered", kept);
        const Int32 layered = p.attributes.Count(AttrTypeComposite);
        AddComposite(p, "Outer", gone);
        const Int32 outer = p.attributes.Count(AttrTypeComposite);
        p.elements.elements = {Wall("W-1", gone), Wall("W-2", kept),
                               Wall("W-3", layered, simhost::Structure::Composite),
                               Wall("W-4", outer, simhost::Structure::Composite)};
        ASSERT_EQ(simhost::DeleteAttribute(p, AttrTypeBuildingMaterial, "Gone"), NoError);
        ASSERT_EQ(simhost::DeleteAttribute(p, AttrTypeComposite, "Layered"), NoError);
        const bool refuses = variance && *variance % 2 == 1;
        const struct {
            size_t element;
            GSErrCode code;
            Int32 reference;
        } cases[] = {{0, refuses ? ErrDeleted : NoError, gone},
                     {1, NoError, kept},
                     {2, refuses ? ErrDeleted : NoError, layered}};
        for (const auto& c : cases) {
            auto element = std::make_unique<API_Element>();
            element->header.guid = p.elements.elements[c.element].guid;
            EXPECT_EQ(HostApi::GetElement(element.get(), 0), c.code) << c.element;
            if (c.code == NoError) {
                EXPECT_EQ(element->wallAttribute, c.reference) << c.element;
            }
        }
        // Its quantities either way: a skin of the deleted material names the hole; without its
        // composite an element's skins cannot be computed.
        API_ElementQuantity q{};
        GS::Array<API_CompositeQuantity> entries;
        API_Quantities out{&q, &entries};
        API_QuantityPar params{};
        auto mask = std::make_unique<API_QuantitiesMask>();
        std::memset(mask.get(), 0xFF, sizeof *mask);
        ASSERT_EQ(HostApi::GetElementQuantities(&p.elements.elements[3].guid, &params, &out, mask.get()),
                  NoError);
        ASSERT_EQ(entries.GetSize(), 1u);
        EXPECT_EQ(entries[0].buildMatIndex, gone);
        EXPECT_EQ(HostApi::GetElementQuantities(&p.elements.elements[2].guid, &params, &out, mask.get()),
                  ErrGeneral);
    }
}

TEST(SimhostEdits, ElementsLibrariesAndPartsAreDeletedAndTheFileKeepsIt) {
    InProcessHost h;
    TempFolder t;
    simhost::Project& p = h.host.project;
    std::filesystem::create_directories(t.path / "Quorvel");
    WriteFile(t / "Quorvel/chair.gsm", R"({"format":"simhost-libpart","version":1})");
    WriteFile(t / "stool.gsm", R"({"format":"simhost-libpart","version":1})");
    WriteFile(t / "lights.lcf",
              R"({"format":"simhost-container","version":1,"parts":[{"name":"Lamp"},{"name":"stool"}]})");
    GS::Array<API_LibraryInfo> list;
    list.Push(API_LibraryInfo{IO::Location(t / "Quorvel"), {}, 0, 0});
    list.Push(API_LibraryInfo{IO::Location(t / "lights.lcf"), GS::UniString("Lights"), 0, 0});
    ASSERT_EQ(HostApi::EnvironmentRequest(GSType(Selector::SLIB), &list, nullptr, nullptr), NoError);
    for (const char* file : {"Quorvel/chair.gsm", "stool.gsm"}) {
        IO::Location location(t / file);
        API_LibPart part{};
        part.typeID = LibPartKindObject;
        part.location = &location;
        ASSERT_EQ(HostApi::RegisterLibraryPart(&part), NoError) << file;
    }
    // Own parts: chair 1, stool 2; the container's: Lamp 3, stool 4.
    for (const char* part : {"chair", "stool", "Lamp", "Lamp"})
        simhost::PlaceLibraryPartObject(h.host, part, 1.0, std::string("O-") + part);
    p.elements.elements.push_back(Wall("W-1", 0));
    p.selection.Replace({p.elements.elements[0].guid, p.elements.elements.back().guid});

    const struct {
        const char* what;
        std::function<GSErrCode()> edit;
        GSErrCode code;
    } edits[] = {
        {"an element", [&] { return simhost::DeleteElement(p, "W-1"); }, NoError},
        {"an element again", [&] { return simhost::DeleteElement(p, "W-1"); }, ErrNotFound},
        {"a part only a container has", [&] { return simhost::DeleteLibraryPart(p, "Lamp"); },
         ErrBadParameter},
        {"an own part, before the container's of its name",
         [&] { return simhost::DeleteLibraryPart(p, "stool"); }, NoError},
        {"a part nobody has", [&] { return simhost::DeleteLibraryPart(p, "Sofa"); }, ErrNotFound},
        {"a folder library", [&] { return simhost::RemoveLibrary(p, "Quorvel"); }, NoError},
        {"a library nobody has", [&] { return simhost::RemoveLibrary(p, "Quorvel"); }, ErrNotFound},
    };
    for (const auto& e : edits)
        EXPECT_EQ(e.edit(), e.code) << e.what;
    EXPECT_EQ(p.selection.guids, std::vector<GS::Guid>{p.elements.elements[0].guid})
        << "W-1 left the selection";
    EXPECT_EQ(p.elements.elements.size(), 4u) << "objects stay when their parts go";
    // Left: Lamp 1, stool 2 (the container's); the chair went with its folder.
    Int32 parts = 0;
    ASSERT_EQ(HostApi::GetLibraryPartCount(&parts), NoError);
    EXPECT_EQ(parts, 2);
    Int32 uses = -1;
    ASSERT_EQ(HostApi::GetLibraryPartUseCount(1, &uses), NoError);
    EXPECT_EQ(uses, 2);
    ASSERT_EQ(HostApi::GetLibraryPartUseCount(2, &uses), NoError);
    EXPECT_EQ(uses, 1) << "the stool object is served by the container's stool now";

    const json file = simhost::ProjectToJson(p);
    EXPECT_EQ(simhost::ProjectToJson(simhost::ProjectFromJson(file, "edited.json")), file);

    EXPECT_EQ(simhost::RemoveLibrary(p, "Lights"), NoError);
    ASSERT_EQ(HostApi::GetLibraryPartCount(&parts), NoError);
    EXPECT_EQ(parts, 0);
    p.libraries.embeddedFolder = t.Path();
    EXPECT_EQ(simhost::RemoveLibrary(p, simhost::EmbeddedLibraryName), ErrBadParameter)
        << "the embedded library belongs to the project";
}
