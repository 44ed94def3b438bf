// Attributes: building materials, and the priority conversion.
#include "table/AttributeLookup.h"
#include "table/Operations.h"

#include <algorithm>
#include <cstring>

namespace simhost {

namespace {

void TakeTexts(BuildingMaterial& m, const API_BuildingMaterialType& record) {
    m.id = record.id != nullptr ? record.id->ToCStr(CC_UTF8) : std::string();
    m.manufacturer = record.manufacturer != nullptr ? record.manufacturer->ToCStr(CC_UTF8) : std::string();
    m.description = record.description != nullptr ? record.description->ToCStr(CC_UTF8) : std::string();
}

void TakeBody(BuildingMaterial& m, const API_BuildingMaterialType& record) {
    TakeTexts(m, record);
    m.connPriority = record.connPriority;
    m.cutFill = record.cutFill;
    m.cutFillPen = record.cutFillPen;
    m.cutFillBackgroundPen = record.cutFillBackgroundPen;
    m.cutSurface = record.cutSurface;
    m.cutReserved = record.cutReserved;
    m.thermalConductivity = record.thermalConductivity;
    m.density = record.density;
    m.heatCapacity = record.heatCapacity;
    m.showUncutLines = record.showUncutLines;
}

void PutHeader(API_AttributeHeader& header, const BuildingMaterial& m, Int32 index) {
    header.typeID = AttrTypeBuildingMaterial;
    header.index = index;
    header.guid = m.guid;
    PutHeaderName(header, m.name);
}

void PutBody(API_BuildingMaterialType& record, const BuildingMaterial& m) {
    // The texts go into the caller's strings, those it handed over.
    if (record.id != nullptr)
        *record.id = GS::UniString(m.id, CC_UTF8);
    if (record.manufacturer != nullptr)
        *record.manufacturer = GS::UniString(m.manufacturer, CC_UTF8);
    if (record.description != nullptr)
        *record.description = GS::UniString(m.description, CC_UTF8);
    record.connPriority = m.connPriority;
    record.cutFill = m.cutFill;
    record.cutFillPen = m.cutFillPen;
    record.cutFillBackgroundPen = m.cutFillBackgroundPen;
    record.cutSurface = m.cutSurface;
    record.cutReserved = m.cutReserved;
    record.thermalConductivity = m.thermalConductivity;
    record.density = m.density;
    record.heatCapacity = m.heatCapacity;
    record.showUncutLines = m.showUncutLines;
}

} // namespace

// The host's connection priorities are the user-level ones spread over even numbers.
GSErrCode requests::UserToEffectivePriority(Host&, Int32 priority, Int32* out) {
    if (out == nullptr || priority < 0 || priority > 15)
        return ErrBadParameter;
    *out = priority * 2;
    return NoError;
}

GSErrCode ops::GetAttributeCount(API_AddOnHandle, Int32 typeID, Int32* count) {
    if (count == nullptr)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    if (typeID != AttrTypeBuildingMaterial && typeID != AttrTypeComposite)
        return ErrBadParameter;
    *count = store.Count(typeID); // deleted attributes' holes included
    return NoError;
}

GSErrCode ops::GetAttribute(API_AddOnHandle, API_Attribute* attribute) {
    if (attribute == nullptr)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    API_AttributeHeader& header = attribute->header;
    if (header.typeID != AttrTypeComposite && header.typeID != AttrTypeBuildingMaterial)
        return ErrBadParameter;
    if (header.index < 0 || header.index > store.Count(header.typeID))
        return ErrBadIndex;
    if (header.typeID == AttrTypeComposite) {
        Int32 index = 0;
        Composite* c = ResolveComposite(store, &header, &index);
        if (c == nullptr)
            return MissingAttribute(store, &header);
        CurrentHost().variance.NoiseField(attribute->body);
        PutCompositeRecord(*attribute, *c, index);
        return NoError;
    }
    Int32 index = 0;
    BuildingMaterial* m = ResolveMaterial(store, &header, &index);
    if (m == nullptr)
        return MissingAttribute(store, &header);
    PutHeader(header, *m, index);
    // Only the texts the caller handed over are its own; the rest of the body is the host's.
    API_BuildingMaterialType& body = attribute->buildingMaterial;
    GS::UniString *id = body.id, *manufacturer = body.manufacturer, *description = body.description;
    CurrentHost().variance.NoiseField(attribute->body);
    body.id = id;
    body.manufacturer = manufacturer;
    body.description = description;
    PutBody(body, *m);
    return NoError;
}

GSErrCode ops::CreateAttribute(API_AddOnHandle, API_Attribute* attribute, const API_AttributeDefinitions*) {
    if (attribute == nullptr || attribute->header.typeID != AttrTypeBuildingMaterial)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    std::string name = HeaderName(attribute->header);
    if (name.empty())
        return ErrBadParameter;
    if (store.MaterialIndexOf(name) != 0)
        return ErrNameExists;
    BuildingMaterial m;
    m.guid = GS::Guid::Generate();
    m.name = name;
    TakeBody(m, attribute->buildingMaterial);
    store.buildingMaterials.push_back(std::move(m));
    Int32 index = Int32(store.buildingMaterials.size());
    PutHeader(attribute->header, store.buildingMaterials.back(), index);
    return NoError;
}

GSErrCode ops::ModifyAttribute(API_AddOnHandle, API_Attribute* attribute, const API_AttributeDefinitions*) {
    if (attribute == nullptr || attribute->header.typeID != AttrTypeBuildingMaterial)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    Int32 index = 0;
    BuildingMaterial* m = ResolveMaterial(store, &attribute->header, &index);
    if (m == nullptr)
        return MissingAttribute(store, &attribute->header);
    std::string name = HeaderName(attribute->header);
    if (!name.empty() && name != m->name) {
        if (store.MaterialIndexOf(name) != 0)
            return ErrNameExists;
        m->name = name;
    }
    // The material keeps its identity, classification and property values.
    TakeBody(*m, attribute->buildingMaterial);
    PutHeader(attribute->header, *m, index);
    return NoError;
}

} // namespace simhost
