#pragma once

#include "api/ErrorCodes.h"
#include "gs/Guid.h"
#include "gs/Types.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace simhost {

// User data an add-on keeps with an attribute: the block's bytes, as the add-on wrote them.
struct AttributeUserData {
    Int32 version = 0;
    UInt16 platformSign = 0;
    std::string bytes;
};

// A building material (attribute type 17). Its index is its position in the list, from 1.
struct BuildingMaterial {
    GS::Guid guid;
    std::string name;
    std::string id;
    std::string manufacturer;
    std::string description;
    Int32 connPriority = 0;
    Int32 cutFill = 0;
    Int16 cutFillPen = 0;
    Int16 cutFillBackgroundPen = 0;
    Int32 cutSurface = 0;
    Int32 cutReserved = 0;
    double thermalConductivity = 0.0;
    double density = 0.0;
    double heatCapacity = 0.0;
    bool showUncutLines = false;
    // Classification items the material is classified under, in the order they were added.
    std::vector<GS::Guid> classification;
    // Property values set on the material: definition guid → text.
    std::map<GS::Guid, std::string> propertyValues;
    std::optional<AttributeUserData> userData;
    // A deleted material leaves a hole in the list, holding nothing else: the indices of the
    // others stay, and the host never gives the hole's index to another material.
    bool deleted = false;
};

struct CompositeSkin {
    Int32 buildingMaterial = 0; // index of a building material
    Int16 framePen = 0;
    Int16 flags = 0;
    double thickness = 0.0; // metres
};

struct CompositeLine {
    Int32 lineType = 0;
    Int16 linePen = 0;
};

// A composite structure (attribute type 5): skins of building materials between separator
// lines, one more line than skins. Its index is its position in the list, from 1; a deleted one
// leaves a hole, as a building material does.
struct Composite {
    GS::Guid guid;
    std::string name;
    Int16 structureKind = 0; // 1 wall, 2 floor, 4 roof, or a combination
    double totalThickness = 0.0;
    std::vector<CompositeSkin> skins;
    std::vector<CompositeLine> lines;
    std::optional<AttributeUserData> userData;
    bool deleted = false;
};

struct PropertyGroup {
    GS::Guid guid;
    std::string name;
    std::string description;
};

struct PropertyDefinition {
    GS::Guid guid;
    GS::Guid group;
    std::string name;
    std::string description;
    Int32 definitionType = 0;
    Int32 collectionType = 0;
    Int32 valueType = 0;
    Int32 measureType = 0;
    std::string defaultText;
    std::vector<GS::Guid> availability; // classification items, as handed over (repeats kept)
    bool canValueBeEditable = false;
};

struct ClassificationItem {
    GS::Guid guid;
    GS::Guid parent; // null: a top-level item
    std::string id;
    std::string name;
    std::string description;
};

struct ClassificationSystem {
    GS::Guid guid;
    std::string name;
    std::string description;
    std::string source;
    std::string editionVersion;
    UInt16 year = 0;
    UInt16 month = 0;
    UInt16 day = 0;
    // Items of every level; siblings keep their order in this list.
    std::vector<ClassificationItem> items;
};

// Look-ups over a definition list by GUID and by (group, name), so that creating or writing
// the n-th definition does not cost n. The host only appends to the list; the index catches up
// with appended entries, and a shorter list or a hit that no longer matches rebuilds it.
class DefinitionIndex {
public:
    // The first definition of that GUID; nullptr when none.
    PropertyDefinition* Find(std::vector<PropertyDefinition>& list, const GS::Guid& guid);
    bool HasName(const std::vector<PropertyDefinition>& list, const GS::Guid& group, const std::string& name);

private:
    void CatchUp(const std::vector<PropertyDefinition>& list);
    void Rebuild(const std::vector<PropertyDefinition>& list);

    std::map<GS::Guid, size_t> byGuid;
    std::map<std::pair<GS::Guid, std::string>, size_t> byName;
    size_t indexed = 0;
};

// Attributes and what hangs on them: properties and classification.
struct AttributeStore {
    std::vector<BuildingMaterial> buildingMaterials;
    std::vector<Composite> composites;
    std::vector<PropertyGroup> propertyGroups;
    std::vector<PropertyDefinition> propertyDefinitions;
    std::vector<ClassificationSystem> classificationSystems;
    DefinitionIndex definitionIndex;

    // From index 1; nothing for an index outside or a hole.
    BuildingMaterial* MaterialAt(Int32 index);
    // Index of the material of that name, 0 when none.
    Int32 MaterialIndexOf(const std::string& name) const;
    Composite* CompositeAt(Int32 index);
    // The attributes of the type (17 or 5), holes included: the highest index; 0 for another type.
    Int32 Count(Int32 typeID) const;
    // Whether the index is the hole a deleted attribute of the type left.
    bool IsDeleted(Int32 typeID, Int32 index) const;
    // Deletes the attribute of the type that has the name, leaving a hole; ErrNotFound when none
    // has it, ErrBadParameter for another type.
    GSErrCode Delete(Int32 typeID, const std::string& name);
    // Renames the attribute of the type that has the name; ErrNotFound, ErrNameExists when another
    // one has the new name, ErrBadParameter for an empty name, one too long for the attribute
    // header or another type.
    GSErrCode Rename(Int32 typeID, const std::string& name, const std::string& to);
    // Appends holes: attributes of the type deleted before the next one is created.
    void AppendHoles(Int32 typeID, Int32 holes);
    Int32 CompositeIndexOf(const std::string& name) const;
    PropertyGroup* FindGroup(const GS::Guid& guid);
    PropertyDefinition* FindDefinition(const GS::Guid& guid);
    bool HasDefinitionNamed(const GS::Guid& group, const std::string& name);
    ClassificationSystem* FindSystem(const GS::Guid& guid);
    // The item and the system that holds it.
    std::pair<ClassificationSystem*, ClassificationItem*> FindItem(const GS::Guid& guid);
};

} // namespace simhost
