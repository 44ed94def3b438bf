// Properties, classification and undoable commands.
#include "table/AttributeLookup.h"
#include "table/Operations.h"

#include <algorithm>

namespace simhost {

namespace {

AttributeStore& Store() {
    return CurrentHost().project.attributes;
}

API_PropertyValue TextValue(Int32 type, const std::string& text, Int32 status) {
    API_PropertyValue value{};
    value.singleVariant.variant.type = type;
    value.singleVariant.variant.uniStringValue = GS::UniString(text, CC_UTF8);
    value.variantStatus = status;
    return value;
}

API_PropertyDefinition ToRecord(const PropertyDefinition& d) {
    API_PropertyDefinition r{};
    r.definitionType = d.definitionType;
    r.guid = d.guid;
    r.groupGuid = d.group;
    r.name = GS::UniString(d.name, CC_UTF8);
    r.description = GS::UniString(d.description, CC_UTF8);
    r.collectionType = d.collectionType;
    r.valueType = d.valueType;
    r.measureType = d.measureType;
    r.defaultValue = TextValue(d.valueType, d.defaultText, PropertyStatusNormal);
    for (const auto& item : d.availability)
        r.availability.Push(item);
    r.canValueBeEditable = d.canValueBeEditable;
    return r;
}

bool AvailableTo(const PropertyDefinition& d, const BuildingMaterial& m) {
    for (const auto& item : m.classification)
        if (std::find(d.availability.begin(), d.availability.end(), item) != d.availability.end())
            return true;
    return false;
}

API_ClassificationItem ToRecord(const ClassificationItem& i) {
    return {i.guid, GS::UniString(i.id, CC_UTF8), GS::UniString(i.name, CC_UTF8),
            GS::UniString(i.description, CC_UTF8)};
}

GS::Guid GuidOrNull(const API_Guid* guid) {
    return guid != nullptr ? *guid : GS::Guid();
}

} // namespace

// Filter 0 lists what the attribute's classification makes available; filter 3 adds what the
// attribute holds a value of, so a value survives a change of classification in the listing.
GSErrCode ops::GetAttributePropertyDefinitions(API_AddOnHandle, const API_AttributeHeader* attribute,
                                               Int32 filter, GS::Array<API_PropertyDefinition>* definitions) {
    if (definitions == nullptr ||
        (filter != PropertyFilterAvailable && filter != PropertyFilterAvailableOrValued))
        return ErrBadParameter;
    BuildingMaterial* m = ResolveMaterial(Store(), attribute);
    if (m == nullptr)
        return MissingAttribute(Store(), attribute);
    definitions->Clear();
    for (const auto& d : Store().propertyDefinitions) {
        bool listed = AvailableTo(d, *m) ||
                      (filter == PropertyFilterAvailableOrValued && m->propertyValues.count(d.guid));
        if (listed)
            definitions->Push(ToRecord(d));
    }
    return NoError;
}

GSErrCode ops::GetAttributePropertyValue(API_AddOnHandle, const API_AttributeHeader* attribute,
                                         const API_Guid* definition, API_Property* property) {
    if (definition == nullptr || property == nullptr)
        return ErrBadParameter;
    BuildingMaterial* m = ResolveMaterial(Store(), attribute);
    if (m == nullptr)
        return MissingAttribute(Store(), attribute);
    PropertyDefinition* d = Store().FindDefinition(*definition);
    if (d == nullptr)
        return ErrNotFound;
    property->definition = ToRecord(*d);
    auto value = m->propertyValues.find(d->guid);
    if (value != m->propertyValues.end()) {
        property->value = TextValue(d->valueType, value->second, PropertyStatusNormal);
        property->isDefault = false;
    } else {
        property->value = TextValue(d->valueType, d->defaultText, PropertyStatusNull);
        property->isDefault = true;
    }
    return NoError;
}

GSErrCode ops::SetAttributePropertyValue(API_AddOnHandle, const API_AttributeHeader* attribute,
                                         const API_Property* property) {
    if (property == nullptr)
        return ErrBadParameter;
    BuildingMaterial* m = ResolveMaterial(Store(), attribute);
    if (m == nullptr)
        return MissingAttribute(Store(), attribute);
    PropertyDefinition* d = Store().FindDefinition(property->definition.guid);
    if (d == nullptr)
        return ErrNotFound;
    const API_Variant& v = property->value.singleVariant.variant;
    if (v.type != d->valueType || d->valueType != PropertyValueText)
        return ErrBadParameter;
    m->propertyValues[d->guid] = v.uniStringValue.ToCStr(CC_UTF8);
    return NoError;
}

GSErrCode ops::AddAttributeClassification(API_AddOnHandle, const API_AttributeHeader* attribute,
                                          const API_Guid* item) {
    if (attribute == nullptr || item == nullptr)
        return ErrBadParameter;
    BuildingMaterial* m = ResolveMaterial(Store(), attribute);
    if (m == nullptr)
        return MissingAttribute(Store(), attribute);
    if (Store().FindItem(*item).second == nullptr)
        return ErrNotFound;
    if (std::find(m->classification.begin(), m->classification.end(), *item) == m->classification.end())
        m->classification.push_back(*item);
    return NoError;
}

GSErrCode ops::SetAttributeClassification(API_AddOnHandle, const API_AttributeHeader* attribute,
                                          const API_Guid* item) {
    if (attribute == nullptr || item == nullptr)
        return ErrBadParameter;
    BuildingMaterial* m = ResolveMaterial(Store(), attribute);
    if (m == nullptr)
        return MissingAttribute(Store(), attribute);
    auto [system, found] = Store().FindItem(*item);
    if (found == nullptr)
        return ErrNotFound;
    // The item replaces every other item of its system.
    std::vector<GS::Guid> kept;
    for (const auto& g : m->classification)
        if (g == *item || Store().FindItem(g).first != system)
            kept.push_back(g);
    if (std::find(kept.begin(), kept.end(), *item) == kept.end())
        kept.push_back(*item);
    m->classification = std::move(kept);
    return NoError;
}

GSErrCode ops::GetPropertyGroup(API_AddOnHandle, API_PropertyGroup* group) {
    if (group == nullptr)
        return ErrBadParameter;
    PropertyGroup* found = nullptr;
    if (!group->guid.IsNull()) {
        found = Store().FindGroup(group->guid);
    } else {
        std::string name = group->name.ToCStr(CC_UTF8);
        for (auto& g : Store().propertyGroups)
            if (g.name == name && found == nullptr)
                found = &g;
    }
    if (found == nullptr)
        return ErrNotFound;
    group->groupType = PropertyGroupCustom;
    group->guid = found->guid;
    group->name = GS::UniString(found->name, CC_UTF8);
    group->description = GS::UniString(found->description, CC_UTF8);
    return NoError;
}

GSErrCode ops::CreatePropertyGroup(API_AddOnHandle, API_PropertyGroup* group) {
    if (group == nullptr || group->name.IsEmpty())
        return ErrBadParameter;
    std::string name = group->name.ToCStr(CC_UTF8);
    for (const auto& g : Store().propertyGroups)
        if (g.name == name)
            return ErrNameExists;
    PropertyGroup g{GS::Guid::Generate(), name, group->description.ToCStr(CC_UTF8)};
    Store().propertyGroups.push_back(g);
    group->guid = g.guid;
    return NoError;
}

GSErrCode ops::CreatePropertyDefinition(API_AddOnHandle, API_PropertyDefinition* definition) {
    if (definition == nullptr || definition->name.IsEmpty())
        return ErrBadParameter;
    if (Store().FindGroup(definition->groupGuid) == nullptr)
        return ErrNotFound;
    std::string name = definition->name.ToCStr(CC_UTF8);
    if (Store().HasDefinitionNamed(definition->groupGuid, name))
        return ErrNameExists;
    PropertyDefinition d;
    d.guid = GS::Guid::Generate();
    d.group = definition->groupGuid;
    d.name = name;
    d.description = definition->description.ToCStr(CC_UTF8);
    d.definitionType = definition->definitionType;
    d.collectionType = definition->collectionType;
    d.valueType = definition->valueType;
    d.measureType = definition->measureType;
    d.defaultText = definition->defaultValue.singleVariant.variant.uniStringValue.ToCStr(CC_UTF8);
    for (const auto& item : definition->availability)
        d.availability.push_back(item);
    d.canValueBeEditable = definition->canValueBeEditable;
    Store().propertyDefinitions.push_back(d);
    definition->guid = d.guid;
    return NoError;
}

// A command that fails leaves nothing to undo, so only successful ones enter the undo list.
GSErrCode ops::RunUndoableCommand(API_AddOnHandle, const GS::UniString* name, APIUndoableStepProc step,
                                  void* context) {
    if (name == nullptr || step == nullptr)
        return ErrBadParameter;
    const GSErrCode code =
        CallAddOn(CurrentHost(), "the step of an undoable command", [&] { return step(context); });
    if (code == NoError)
        CurrentHost().undoList.push_back(name->ToCStr(CC_UTF8));
    return code;
}

GSErrCode ops::GetClassificationSystem(API_AddOnHandle, API_ClassificationSystem* system) {
    if (system == nullptr)
        return ErrBadParameter;
    ClassificationSystem* found = nullptr;
    if (!system->guid.IsNull()) {
        found = Store().FindSystem(system->guid);
    } else {
        std::string name = system->name.ToCStr(CC_UTF8), version = system->editionVersion.ToCStr(CC_UTF8);
        for (auto& s : Store().classificationSystems)
            if (found == nullptr && s.name == name && s.editionVersion == version)
                found = &s;
    }
    if (found == nullptr)
        return ErrNotFound;
    system->guid = found->guid;
    system->name = GS::UniString(found->name, CC_UTF8);
    system->description = GS::UniString(found->description, CC_UTF8);
    system->source = GS::UniString(found->source, CC_UTF8);
    system->editionVersion = GS::UniString(found->editionVersion, CC_UTF8);
    system->editionDate = {found->year, found->month, found->day};
    return NoError;
}

GSErrCode ops::CreateClassificationSystem(API_AddOnHandle, API_ClassificationSystem* system) {
    if (system == nullptr || system->name.IsEmpty())
        return ErrBadParameter;
    std::string name = system->name.ToCStr(CC_UTF8), version = system->editionVersion.ToCStr(CC_UTF8);
    for (const auto& s : Store().classificationSystems)
        if (s.name == name && s.editionVersion == version)
            return ErrNameExists;
    ClassificationSystem s;
    s.guid = GS::Guid::Generate();
    s.name = name;
    s.description = system->description.ToCStr(CC_UTF8);
    s.source = system->source.ToCStr(CC_UTF8);
    s.editionVersion = version;
    s.year = system->editionDate.year;
    s.month = system->editionDate.month;
    s.day = system->editionDate.day;
    Store().classificationSystems.push_back(s);
    system->guid = s.guid;
    return NoError;
}

GSErrCode ops::GetClassificationSystemRootItems(API_AddOnHandle, const API_Guid* system,
                                                GS::Array<API_ClassificationItem>* items) {
    if (system == nullptr || items == nullptr)
        return ErrBadParameter;
    ClassificationSystem* s = Store().FindSystem(*system);
    if (s == nullptr)
        return ErrNotFound;
    items->Clear();
    for (const auto& i : s->items)
        if (i.parent.IsNull())
            items->Push(ToRecord(i));
    return NoError;
}

GSErrCode ops::GetClassificationItemChildren(API_AddOnHandle, const API_Guid* item,
                                             GS::Array<API_ClassificationItem>* children) {
    if (item == nullptr || children == nullptr)
        return ErrBadParameter;
    auto [system, found] = Store().FindItem(*item);
    if (found == nullptr)
        return ErrNotFound;
    children->Clear();
    for (const auto& i : system->items)
        if (i.parent == *item)
            children->Push(ToRecord(i));
    return NoError;
}

GSErrCode ops::CreateClassificationItem(API_AddOnHandle, API_ClassificationItem* item, const API_Guid* system,
                                        const API_Guid* parent, const API_Guid* neighbour) {
    if (item == nullptr || system == nullptr)
        return ErrBadParameter;
    ClassificationSystem* s = Store().FindSystem(*system);
    if (s == nullptr)
        return ErrNotFound;
    GS::Guid parentGuid = GuidOrNull(parent), neighbourGuid = GuidOrNull(neighbour);
    auto position = s->items.end();
    if (!parentGuid.IsNull()) {
        auto [parentSystem, p] = Store().FindItem(parentGuid);
        if (parentSystem != s)
            return ErrNotFound;
    }
    if (!neighbourGuid.IsNull()) {
        position = std::find_if(s->items.begin(), s->items.end(), [&](const ClassificationItem& i) {
            return i.guid == neighbourGuid && i.parent == parentGuid;
        });
        if (position == s->items.end())
            return ErrNotFound;
        ++position;
    }
    if (item->id.IsEmpty())
        return ErrBadParameter;
    std::string id = item->id.ToCStr(CC_UTF8);
    for (const auto& i : s->items)
        if (i.id == id)
            return ErrNameExists;
    ClassificationItem created{GS::Guid::Generate(), parentGuid, id, item->name.ToCStr(CC_UTF8),
                               item->description.ToCStr(CC_UTF8)};
    s->items.insert(position, created);
    item->guid = created.guid;
    return NoError;
}

} // namespace simhost
