// Attributes: building materials, and the priority conversion.
#include "table/AttributeLookup.h"
#include "table/Operations.h"

#include <algorithm>
#include <cstring>

namespace simhost {

namespace {

void TakeTexts(BuildingMaterial& m, const API_BuildingMaterialType& record) {
    m.id = record.id != nullptr ? record.id->ToCStr() : std::string();
    m.manufacturer = record.manufacturer != nullptr ? record.manufacturer->ToCStr() : std::string();
    m.description = record.description != nullptr ? record.description->ToCStr() : std::string();
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
        *record.id = GS::UniString(m.id);
    if (record.manufacturer != nullptr)
        *record.manufacturer = GS::UniString(m.manufacturer);
    if (record.description != nullptr)
        *record.description = GS::UniString(m.description);
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

// The host's connection priorities are the user-level ones spread over even numbers.
GSErrCode UserToEffectivePriority(Host&, const RequestArgs& args) {
    Int32 priority = ByValue<Int32>(args.p[0]);
    auto* out = static_cast<Int32*>(args.p[1]);
    if (out == nullptr || priority < 0 || priority > 15)
        return ErrBadParameter;
    *out = priority * 2;
    return NoError;
}

const bool attributesRegistered =
    RegisterRequest(HostOp::UtilityRequest, Selector::U2EP, UserToEffectivePriority);

} // namespace

GSErrCode ops::GetAttributeCount(API_AddOnHandle, Int32 typeID, Int32* count) {
    if (count == nullptr)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    switch (typeID) {
    case AttrTypeBuildingMaterial:
        *count = Int32(store.buildingMaterials.size());
        return NoError;
    case AttrTypeComposite:
        *count = Int32(store.composites.size());
        return NoError;
    default:
        return ErrBadParameter;
    }
}

GSErrCode ops::GetAttribute(API_AddOnHandle, API_Attribute* attribute) {
    if (attribute == nullptr)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    API_AttributeHeader& header = attribute->header;
    if (header.typeID == AttrTypeComposite) {
        if (header.index < 0 || size_t(header.index) > store.composites.size())
            return ErrBadIndex;
        Int32 index = 0;
        Composite* c = ResolveComposite(store, &header, &index);
        if (c == nullptr)
            return ErrNotFound;
        PutCompositeRecord(*attribute, *c, index);
        return NoError;
    }
    if (header.typeID != AttrTypeBuildingMaterial)
        return ErrBadParameter;
    if (header.index < 0 || size_t(header.index) > store.buildingMaterials.size())
        return ErrBadIndex;
    Int32 index = 0;
    BuildingMaterial* m = ResolveMaterial(store, &header, &index);
    if (m == nullptr)
        return ErrNotFound;
    PutHeader(header, *m, index);
    PutBody(attribute->buildingMaterial, *m);
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
        return ErrNotFound;
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
