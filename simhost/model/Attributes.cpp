#include "model/Attributes.h"

#include "api/AttributeRecords.h"

namespace simhost {

namespace {

// Attributes of one type are numbered by their place in their list, from 1.
template <typename Attribute> Attribute* At(std::vector<Attribute>& list, Int32 index) {
    if (index < 1 || size_t(index) > list.size() || list[size_t(index) - 1].deleted)
        return nullptr;
    return &list[size_t(index) - 1];
}

template <typename Attribute> Int32 IndexOf(const std::vector<Attribute>& list, const std::string& name) {
    for (size_t i = 0; i < list.size(); ++i)
        if (!list[i].deleted && list[i].name == name)
            return Int32(i + 1);
    return 0;
}

template <typename Attribute> GSErrCode DeleteNamed(std::vector<Attribute>& list, const std::string& name) {
    const Int32 index = IndexOf(list, name);
    if (index == 0)
        return ErrNotFound;
    Attribute hole;
    hole.deleted = true;
    list[size_t(index) - 1] = std::move(hole);
    return NoError;
}

template <typename Attribute>
GSErrCode RenameNamed(std::vector<Attribute>& list, const std::string& name, const std::string& to) {
    const Int32 index = IndexOf(list, name);
    if (index == 0)
        return ErrNotFound;
    if (to.empty() || to.size() >= size_t(AttrNameSize))
        return ErrBadParameter;
    const Int32 taken = IndexOf(list, to);
    if (taken != 0 && taken != index)
        return ErrNameExists;
    list[size_t(index) - 1].name = to;
    return NoError;
}

template <typename Attribute> void AppendHolesTo(std::vector<Attribute>& list, Int32 holes) {
    for (Int32 n = 0; n < holes; ++n) {
        list.emplace_back();
        list.back().deleted = true;
    }
}

} // namespace

Int32 AttributeStore::Count(Int32 typeID) const {
    if (typeID == AttrTypeBuildingMaterial)
        return Int32(buildingMaterials.size());
    if (typeID == AttrTypeComposite)
        return Int32(composites.size());
    return 0;
}

bool AttributeStore::IsDeleted(Int32 typeID, Int32 index) const {
    if (index < 1 || index > Count(typeID))
        return false;
    return typeID == AttrTypeBuildingMaterial ? buildingMaterials[size_t(index) - 1].deleted
                                              : composites[size_t(index) - 1].deleted;
}

GSErrCode AttributeStore::Delete(Int32 typeID, const std::string& name) {
    if (typeID == AttrTypeBuildingMaterial)
        return DeleteNamed(buildingMaterials, name);
    if (typeID == AttrTypeComposite)
        return DeleteNamed(composites, name);
    return ErrBadParameter;
}

GSErrCode AttributeStore::Rename(Int32 typeID, const std::string& name, const std::string& to) {
    if (typeID == AttrTypeBuildingMaterial)
        return RenameNamed(buildingMaterials, name, to);
    if (typeID == AttrTypeComposite)
        return RenameNamed(composites, name, to);
    return ErrBadParameter;
}

void AttributeStore::AppendHoles(Int32 typeID, Int32 holes) {
    if (typeID == AttrTypeBuildingMaterial)
        AppendHolesTo(buildingMaterials, holes);
    else if (typeID == AttrTypeComposite)
        AppendHolesTo(composites, holes);
}

BuildingMaterial* AttributeStore::MaterialAt(Int32 index) {
    return At(buildingMaterials, index);
}

Int32 AttributeStore::MaterialIndexOf(const std::string& name) const {
    return IndexOf(buildingMaterials, name);
}

Composite* AttributeStore::CompositeAt(Int32 index) {
    return At(composites, index);
}

Int32 AttributeStore::CompositeIndexOf(const std::string& name) const {
    return IndexOf(composites, name);
}

PropertyGroup* AttributeStore::FindGroup(const GS::Guid& guid) {
    for (auto& g : propertyGroups)
        if (g.guid == guid)
            return &g;
    return nullptr;
}

void DefinitionIndex::CatchUp(const std::vector<PropertyDefinition>& list) {
    if (list.size() < indexed)
        return Rebuild(list);
    for (; indexed < list.size(); ++indexed) {
        byGuid.try_emplace(list[indexed].guid, indexed);
        byName.try_emplace({list[indexed].group, list[indexed].name}, indexed);
    }
}

void DefinitionIndex::Rebuild(const std::vector<PropertyDefinition>& list) {
    byGuid.clear();
    byName.clear();
    indexed = 0;
    CatchUp(list);
}

PropertyDefinition* DefinitionIndex::Find(std::vector<PropertyDefinition>& list, const GS::Guid& guid) {
    CatchUp(list);
    auto at = byGuid.find(guid);
    if (at != byGuid.end() && list[at->second].guid != guid) {
        Rebuild(list);
        at = byGuid.find(guid);
    }
    return at != byGuid.end() ? &list[at->second] : nullptr;
}

bool DefinitionIndex::HasName(const std::vector<PropertyDefinition>& list, const GS::Guid& group,
                              const std::string& name) {
    CatchUp(list);
    auto at = byName.find({group, name});
    if (at != byName.end() && (list[at->second].group != group || list[at->second].name != name)) {
        Rebuild(list);
        at = byName.find({group, name});
    }
    return at != byName.end();
}

PropertyDefinition* AttributeStore::FindDefinition(const GS::Guid& guid) {
    return definitionIndex.Find(propertyDefinitions, guid);
}

bool AttributeStore::HasDefinitionNamed(const GS::Guid& group, const std::string& name) {
    return definitionIndex.HasName(propertyDefinitions, group, name);
}

ClassificationSystem* AttributeStore::FindSystem(const GS::Guid& guid) {
    for (auto& s : classificationSystems)
        if (s.guid == guid)
            return &s;
    return nullptr;
}

std::pair<ClassificationSystem*, ClassificationItem*> AttributeStore::FindItem(const GS::Guid& guid) {
    for (auto& s : classificationSystems)
        for (auto& i : s.items)
            if (i.guid == guid)
                return {&s, &i};
    return {nullptr, nullptr};
}

} // namespace simhost
