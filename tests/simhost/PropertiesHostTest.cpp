// simhost's properties, classification and undoable commands.
#include "host/HostApi.h"
#include "model/Project.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <cstring>

using testing_support::InProcessHost;

namespace {
API_AttributeHeader MaterialHeader(Int32 index) {
    API_AttributeHeader h{};
    h.typeID = AttrTypeBuildingMaterial;
    h.index = index;
    return h;
}

Int32 NewMaterial(const char* name) {
    API_Attribute a{};
    a.header.typeID = AttrTypeBuildingMaterial;
    std::strncpy(a.header.name, name, sizeof a.header.name - 1);
    EXPECT_EQ(HostApi::CreateAttribute(&a, nullptr), NoError);
    return a.header.index;
}

API_Guid NewSystem(const char* name, const char* version) {
    API_ClassificationSystem s{};
    s.name = GS::UniString(name);
    s.editionVersion = GS::UniString(version);
    EXPECT_EQ(HostApi::CreateClassificationSystem(&s), NoError);
    return s.guid;
}

API_Guid NewItem(const API_Guid& system, const char* id, const API_Guid* parent = nullptr,
                 const API_Guid* neighbour = nullptr) {
    API_ClassificationItem item{};
    item.id = GS::UniString(id);
    EXPECT_EQ(HostApi::CreateClassificationItem(&item, &system, parent, neighbour), NoError) << id;
    return item.guid;
}

API_Guid NewDefinition(const char* name, const GS::Array<API_Guid>& availability) {
    API_PropertyGroup g{};
    g.name = GS::UniString("G");
    if (HostApi::GetPropertyGroup(&g) != NoError) {
        EXPECT_EQ(HostApi::CreatePropertyGroup(&g), NoError);
    }
    API_PropertyDefinition d{};
    d.definitionType = PropertyDefinitionCustom;
    d.groupGuid = g.guid;
    d.name = GS::UniString(name);
    d.valueType = PropertyValueText;
    d.availability = availability;
    EXPECT_EQ(HostApi::CreatePropertyDefinition(&d), NoError);
    return d.guid;
}

std::vector<std::string> Listed(Int32 index, Int32 filter) {
    GS::Array<API_PropertyDefinition> list;
    API_AttributeHeader h = MaterialHeader(index);
    EXPECT_EQ(HostApi::GetAttributePropertyDefinitions(&h, filter, &list), NoError);
    std::vector<std::string> names;
    for (const auto& d : list)
        names.push_back(d.name.ToCStr());
    return names;
}

API_Property TextProperty(const API_Guid& definition, const char* text, Int32 type = PropertyValueText) {
    API_Property p{};
    p.definition.guid = definition;
    p.value.singleVariant.variant.type = type;
    p.value.singleVariant.variant.uniStringValue = GS::UniString(text);
    return p;
}
} // namespace

TEST(SimhostProperties, FilterZeroListsByClassificationAndThreeAddsValuedDefinitions) {
    InProcessHost h;
    Int32 m = NewMaterial("M");
    API_Guid system = NewSystem("S", "1");
    API_Guid a = NewItem(system, "A"), b = NewItem(system, "B");
    API_Guid onA = NewDefinition("onA", {a});
    NewDefinition("onB", {b});
    NewDefinition("nowhere", {});
    API_AttributeHeader header = MaterialHeader(m);
    EXPECT_EQ(Listed(m, 0), std::vector<std::string>{});
    ASSERT_EQ(HostApi::AddAttributeClassification(&header, &a), NoError);
    EXPECT_EQ(Listed(m, 0), std::vector<std::string>{"onA"});

    API_Property value = TextProperty(onA, "v");
    ASSERT_EQ(HostApi::SetAttributePropertyValue(&header, &value), NoError);
    // Classified under B instead: A's definition stays listed under filter 3 only, by its value.
    ASSERT_EQ(HostApi::SetAttributeClassification(&header, &b), NoError);
    EXPECT_EQ(Listed(m, 0), std::vector<std::string>{"onB"});
    EXPECT_EQ(Listed(m, 3), (std::vector<std::string>{"onA", "onB"}));
    GS::Array<API_PropertyDefinition> list;
    EXPECT_EQ(HostApi::GetAttributePropertyDefinitions(&header, 1, &list), ErrBadParameter);
    API_AttributeHeader missing = MaterialHeader(7);
    EXPECT_EQ(HostApi::GetAttributePropertyDefinitions(&missing, 0, &list), ErrNotFound);
}

TEST(SimhostProperties, ValuesAreReadAsSetOrAsNeverSet) {
    InProcessHost h;
    Int32 m = NewMaterial("M");
    API_Guid system = NewSystem("S", "1");
    API_Guid item = NewItem(system, "A");
    API_Guid def = NewDefinition("P", {item});
    API_AttributeHeader header = MaterialHeader(m);
    API_Property read{};
    ASSERT_EQ(HostApi::GetAttributePropertyValue(&header, &def, &read), NoError);
    EXPECT_EQ(read.value.variantStatus, PropertyStatusNull);
    EXPECT_TRUE(read.isDefault);
    EXPECT_EQ(read.definition.name.ToCStr(), "P");

    const struct {
        API_Property property;
        GSErrCode code;
    } writes[] = {
        {TextProperty(def, "10/20 mm"), NoError},
        {TextProperty(def, "x", 2), ErrBadParameter},
        {TextProperty(API_Guid(), "x"), ErrNotFound},
        {TextProperty(GS::Guid::Generate(), "x"), ErrNotFound},
    };
    for (const auto& w : writes)
        EXPECT_EQ(HostApi::SetAttributePropertyValue(&header, &w.property), w.code);
    ASSERT_EQ(HostApi::GetAttributePropertyValue(&header, &def, &read), NoError);
    EXPECT_EQ(read.value.singleVariant.variant.uniStringValue.ToCStr(), "10/20 mm");
    EXPECT_EQ(read.value.variantStatus, PropertyStatusNormal);
    EXPECT_FALSE(read.isDefault);
}

TEST(SimhostProperties, GroupsAndDefinitionsAreUniqueByName) {
    InProcessHost h;
    API_PropertyGroup g{};
    g.name = GS::UniString("Thermal");
    EXPECT_EQ(HostApi::GetPropertyGroup(&g), ErrNotFound);
    ASSERT_EQ(HostApi::CreatePropertyGroup(&g), NoError);
    API_PropertyGroup again{};
    again.name = GS::UniString("Thermal");
    EXPECT_EQ(HostApi::CreatePropertyGroup(&again), ErrNameExists);
    EXPECT_EQ(HostApi::GetPropertyGroup(&again), NoError);
    EXPECT_EQ(again.guid, g.guid);
    API_PropertyGroup empty{};
    EXPECT_EQ(HostApi::CreatePropertyGroup(&empty), ErrBadParameter);

    API_PropertyDefinition d{};
    d.groupGuid = g.guid;
    d.name = GS::UniString("lambda");
    ASSERT_EQ(HostApi::CreatePropertyDefinition(&d), NoError);
    API_PropertyDefinition same = d;
    EXPECT_EQ(HostApi::CreatePropertyDefinition(&same), ErrNameExists);
    API_PropertyDefinition noGroup = d;
    noGroup.groupGuid = API_Guid();
    EXPECT_EQ(HostApi::CreatePropertyDefinition(&noGroup), ErrNotFound);
    EXPECT_EQ(h.host.project.attributes.propertyDefinitions.size(), 1u);
}

TEST(SimhostClassification, SystemsAreUniqueByNameAndVersionAndItemsKeepTheirOrder) {
    InProcessHost h;
    API_Guid s1 = NewSystem("Quorvel", "v1.0");
    API_ClassificationSystem same{};
    same.name = GS::UniString("Quorvel");
    same.editionVersion = GS::UniString("v1.0");
    EXPECT_EQ(HostApi::CreateClassificationSystem(&same), ErrNameExists);
    EXPECT_EQ(HostApi::GetClassificationSystem(&same), NoError);
    EXPECT_EQ(same.guid, s1);
    NewSystem("Quorvel", "v2.0");

    API_Guid a = NewItem(s1, "A");
    API_Guid c = NewItem(s1, "C");
    NewItem(s1, "B", nullptr, &a); // after A
    API_Guid a1 = NewItem(s1, "A1", &a);
    NewItem(s1, "A2", &a);
    NewItem(s1, "A0", &a, &a1) /* after A1 */;
    API_ClassificationItem dup{};
    dup.id = GS::UniString("C");
    EXPECT_EQ(HostApi::CreateClassificationItem(&dup, &s1, nullptr, nullptr), ErrNameExists);
    dup.id = GS::UniString("c"); // ids are compared exactly
    EXPECT_EQ(HostApi::CreateClassificationItem(&dup, &s1, &c, nullptr), NoError);
    API_ClassificationItem orphan{};
    orphan.id = GS::UniString("X");
    API_Guid unknown = GS::Guid::Generate();
    EXPECT_EQ(HostApi::CreateClassificationItem(&orphan, &s1, &unknown, nullptr), ErrNotFound);
    EXPECT_EQ(HostApi::CreateClassificationItem(&orphan, &unknown, nullptr, nullptr), ErrNotFound);

    auto ids = [](const GS::Array<API_ClassificationItem>& items) {
        std::vector<std::string> out;
        for (const auto& i : items)
            out.push_back(i.id.ToCStr());
        return out;
    };
    GS::Array<API_ClassificationItem> items;
    ASSERT_EQ(HostApi::GetClassificationSystemRootItems(&s1, &items), NoError);
    EXPECT_EQ(ids(items), (std::vector<std::string>{"A", "B", "C"}));
    ASSERT_EQ(HostApi::GetClassificationItemChildren(&a, &items), NoError);
    EXPECT_EQ(ids(items), (std::vector<std::string>{"A1", "A0", "A2"}));
    ASSERT_EQ(HostApi::GetClassificationItemChildren(&c, &items), NoError);
    EXPECT_EQ(ids(items), (std::vector<std::string>{"c"}));
}

namespace {
GSErrCode Succeeds(void* context) {
    ++*static_cast<int*>(context);
    return NoError;
}
GSErrCode Fails(void* context) {
    ++*static_cast<int*>(context);
    return ErrNotFound;
}
} // namespace

TEST(SimhostUndo, RunsTheStepAndKeepsTheNamesOfSuccessfulCommands) {
    InProcessHost h;
    int runs = 0;
    GS::UniString create("Create Group"), define("CreateDefinition");
    EXPECT_EQ(HostApi::RunUndoableCommand(&create, Succeeds, &runs), NoError);
    EXPECT_EQ(HostApi::RunUndoableCommand(&define, Fails, &runs), ErrNotFound);
    EXPECT_EQ(HostApi::RunUndoableCommand(&define, Succeeds, &runs), NoError);
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(h.host.undoList, (std::vector<std::string>{"Create Group", "CreateDefinition"}));
    EXPECT_FALSE(simhost::ProjectToJson(h.host.project)["attributes"].contains("undoList"))
        << "the undo list is the session's, not the project's";
}

// The definition look-ups are indexed; the index must follow a list that is reordered or
// shortened behind the host's back.
TEST(SimhostProperties, DefinitionLookUpsFollowTheListTheyIndex) {
    InProcessHost h;
    auto& store = h.host.project.attributes;
    API_PropertyGroup g{};
    g.name = GS::UniString("G");
    ASSERT_EQ(HostApi::CreatePropertyGroup(&g), NoError);
    const GS::Guid group = g.guid;
    auto definition = [&](const char* name) {
        simhost::PropertyDefinition d;
        d.guid = GS::Guid::Generate();
        d.group = group;
        d.name = name;
        return d;
    };
    store.propertyDefinitions = {definition("a"), definition("b"), definition("c")};
    const auto a = store.propertyDefinitions[0], b = store.propertyDefinitions[1],
               c = store.propertyDefinitions[2];
    ASSERT_NE(store.FindDefinition(b.guid), nullptr);
    EXPECT_EQ(store.FindDefinition(b.guid)->name, "b");
    EXPECT_TRUE(store.HasDefinitionNamed(group, "c"));
    EXPECT_FALSE(store.HasDefinitionNamed(GS::Guid::Generate(), "c")) << "names are unique per group";
    EXPECT_EQ(store.FindDefinition(GS::Guid()), nullptr);

    store.propertyDefinitions.push_back(definition("d"));
    EXPECT_EQ(store.FindDefinition(store.propertyDefinitions[3].guid), &store.propertyDefinitions[3]);

    std::swap(store.propertyDefinitions[0], store.propertyDefinitions[2]); // moved in place
    EXPECT_EQ(store.FindDefinition(a.guid), &store.propertyDefinitions[2]);
    EXPECT_EQ(store.FindDefinition(c.guid), &store.propertyDefinitions[0]);

    store.propertyDefinitions.erase(store.propertyDefinitions.begin() + 1); // shorter: b is gone
    EXPECT_EQ(store.FindDefinition(b.guid), nullptr);
    EXPECT_FALSE(store.HasDefinitionNamed(group, "b"));
    EXPECT_EQ(store.FindDefinition(a.guid), &store.propertyDefinitions[1]);

    // The host's operations see the same: "b" can be made again, "a" cannot.
    API_PropertyDefinition record{};
    record.groupGuid = g.guid;
    record.name = GS::UniString("a");
    EXPECT_EQ(HostApi::CreatePropertyDefinition(&record), ErrNameExists);
    record.name = GS::UniString("b");
    EXPECT_EQ(HostApi::CreatePropertyDefinition(&record), NoError);
    EXPECT_EQ(store.FindDefinition(record.guid), &store.propertyDefinitions.back());
}
