// Composite structures and attribute user data.
#include "table/AttributeLookup.h"
#include "table/Operations.h"

#include "gs/MemoryManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace simhost {

namespace {

// Wall, floor and roof, alone or combined.
constexpr Int16 KnownStructureKinds = 1 | 2 | 4;

bool UsableThickness(double metres) {
    return std::isfinite(metres) && metres >= 0.0;
}

// The user data slot of the attribute a header names, or nothing when there is no such attribute.
std::optional<AttributeUserData>* UserDataOf(AttributeStore& store, const API_AttributeHeader* header) {
    if (header == nullptr)
        return nullptr;
    if (header->typeID == AttrTypeBuildingMaterial) {
        BuildingMaterial* m = ResolveMaterial(store, header);
        return m != nullptr ? &m->userData : nullptr;
    }
    if (header->typeID == AttrTypeComposite) {
        Composite* c = ResolveComposite(store, header);
        return c != nullptr ? &c->userData : nullptr;
    }
    return nullptr;
}

} // namespace

void PutCompositeRecord(API_Attribute& attribute, const Composite& c, Int32 index) {
    API_AttributeHeader& header = attribute.header;
    header.typeID = AttrTypeComposite;
    header.index = index;
    header.structureKind = c.structureKind;
    header.guid = c.guid;
    PutHeaderName(header, c.name);
    attribute.composite.totalThickness = c.totalThickness;
    attribute.composite.nSkins = Int16(c.skins.size());
    attribute.composite.nLines = Int16(c.lines.size());
}

namespace {

// The composite the record and its blocks describe, without name and identity; the code that
// refuses them otherwise.
GSErrCode ReadCompositeRecord(AttributeStore& store, const API_Attribute& attribute,
                              const API_AttributeDefinitions* definitions, Composite& c) {
    if (definitions == nullptr)
        return ErrBadParameter;
    const API_CompositeType& record = attribute.composite;
    const Int16 kind = attribute.header.structureKind;
    if ((kind & ~KnownStructureKinds) != 0 || !UsableThickness(record.totalThickness) || record.nSkins < 0)
        return ErrBadParameter;

    // Both blocks must hold exactly what the skin count says.
    const size_t skins = size_t(record.nSkins);
    GSHandle skinBlock = definitions->compositeSkins;
    GSHandle lineBlock = definitions->compositeLines;
    if (skinBlock == nullptr || lineBlock == nullptr ||
        BMGetHandleSize(skinBlock) != Int64(skins * sizeof(API_CompositeSkin)) ||
        BMGetHandleSize(lineBlock) != Int64((skins + 1) * sizeof(API_CompositeLine)))
        return ErrBadParameter;

    c.structureKind = kind;
    c.totalThickness = record.totalThickness;
    c.skins.clear();
    c.lines.clear();
    const auto* skinEntries = reinterpret_cast<const API_CompositeSkin*>(*skinBlock);
    for (size_t i = 0; i < skins; ++i) {
        const API_CompositeSkin& s = skinEntries[i];
        if (store.MaterialAt(s.buildingMaterial) == nullptr)
            return ErrBadIndex;
        if (!UsableThickness(s.thickness))
            return ErrBadParameter;
        c.skins.push_back({s.buildingMaterial, s.framePen, s.flags, s.thickness});
    }
    const auto* lineEntries = reinterpret_cast<const API_CompositeLine*>(*lineBlock);
    for (size_t i = 0; i <= skins; ++i)
        c.lines.push_back({lineEntries[i].lineType, lineEntries[i].linePen});
    return NoError;
}

} // namespace

GSErrCode ops::CreateAttributeWithDefinitions(API_AddOnHandle handle, API_Attribute* attribute,
                                              const API_AttributeDefinitions* definitions) {
    if (attribute == nullptr)
        return ErrBadParameter;
    if (attribute->header.typeID == AttrTypeBuildingMaterial)
        return ops::CreateAttribute(handle, attribute, definitions);
    if (attribute->header.typeID != AttrTypeComposite)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    const std::string name = HeaderName(attribute->header);
    if (name.empty())
        return ErrBadParameter;
    if (store.CompositeIndexOf(name) != 0)
        return ErrNameExists;
    Composite c;
    if (GSErrCode code = ReadCompositeRecord(store, *attribute, definitions, c); code != NoError)
        return code;
    c.name = name;
    c.guid = GS::Guid::Generate();
    store.composites.push_back(std::move(c));
    PutCompositeRecord(*attribute, store.composites.back(), Int32(store.composites.size()));
    return NoError;
}

GSErrCode ops::ModifyAttributeWithDefinitions(API_AddOnHandle handle, API_Attribute* attribute,
                                              const API_AttributeDefinitions* definitions) {
    if (attribute == nullptr)
        return ErrBadParameter;
    if (attribute->header.typeID == AttrTypeBuildingMaterial)
        return ops::ModifyAttribute(handle, attribute, definitions);
    if (attribute->header.typeID != AttrTypeComposite)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    Int32 index = 0;
    Composite* existing = ResolveComposite(store, &attribute->header, &index);
    if (existing == nullptr)
        return MissingAttribute(store, &attribute->header);
    // Read whole before anything changes: a refused record leaves the composite as it was.
    Composite c = *existing;
    if (GSErrCode code = ReadCompositeRecord(store, *attribute, definitions, c); code != NoError)
        return code;
    *existing = std::move(c);
    PutCompositeRecord(*attribute, *existing, index);
    return NoError;
}

GSErrCode ops::GetAttributeDefinitions(API_AddOnHandle, const API_AttributeHeader* attribute,
                                       API_AttributeDefinitions* definitions) {
    if (attribute == nullptr || definitions == nullptr || attribute->typeID != AttrTypeComposite)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    if (attribute->index < 0 || size_t(attribute->index) > store.composites.size())
        return ErrBadIndex;
    const Composite* c = ResolveComposite(store, attribute);
    if (c == nullptr)
        return MissingAttribute(store, attribute);
    GSHandle skins = BMAllocateHandle(Int64(c->skins.size() * sizeof(API_CompositeSkin)), ALLOCATE_CLEAR, 0);
    GSHandle lines = BMAllocateHandle(Int64(c->lines.size() * sizeof(API_CompositeLine)), ALLOCATE_CLEAR, 0);
    if (skins == nullptr || lines == nullptr) {
        BMKillHandle(&skins);
        BMKillHandle(&lines);
        return ErrOutOfMemory;
    }
    auto* skinEntries = reinterpret_cast<API_CompositeSkin*>(*skins);
    for (size_t i = 0; i < c->skins.size(); ++i)
        skinEntries[i] = {c->skins[i].buildingMaterial, c->skins[i].framePen, c->skins[i].flags,
                          c->skins[i].thickness};
    auto* lineEntries = reinterpret_cast<API_CompositeLine*>(*lines);
    for (size_t i = 0; i < c->lines.size(); ++i) {
        lineEntries[i].lineType = c->lines[i].lineType;
        lineEntries[i].linePen = c->lines[i].linePen;
    }
    definitions->compositeSkins = skins;
    definitions->compositeLines = lines;
    return NoError;
}

GSErrCode ops::SetAttributeUserData(API_AddOnHandle, const API_AttributeHeader* attribute,
                                    const API_AttributeUserData* data) {
    if (attribute == nullptr || data == nullptr || data->dataHdl == nullptr)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    std::optional<AttributeUserData>* slot = UserDataOf(store, attribute);
    if (slot == nullptr)
        return MissingAttribute(store, attribute);
    // The block's bytes are the add-on's: kept as they are.
    const Int64 size = BMGetHandleSize(data->dataHdl);
    if (size > AttributeUserDataMaxBytes)
        return ErrBadParameter;
    *slot =
        AttributeUserData{data->dataVersion, data->platformSign, std::string(*data->dataHdl, size_t(size))};
    return NoError;
}

GSErrCode ops::GetAttributeUserData(API_AddOnHandle, const API_AttributeHeader* attribute,
                                    API_AttributeUserData* data) {
    if (attribute == nullptr || data == nullptr || data->dataHdl == nullptr)
        return ErrBadParameter;
    AttributeStore& store = CurrentHost().project.attributes;
    std::optional<AttributeUserData>* slot = UserDataOf(store, attribute);
    if (slot == nullptr)
        return MissingAttribute(store, attribute);
    if (!slot->has_value())
        return ErrNotFound;
    const AttributeUserData& stored = **slot;
    // The caller's block takes the size of the data.
    const Int64 size = Int64(stored.bytes.size());
    if (BMGetHandleSize(data->dataHdl) != size && BMReallocHandle(data->dataHdl, size, 0, 0) == nullptr)
        return ErrOutOfMemory;
    if (size > 0)
        std::memcpy(*data->dataHdl, stored.bytes.data(), size_t(size));
    data->dataVersion = stored.version;
    data->platformSign = stored.platformSign;
    CurrentHost().variance.NoiseField(data->reserved0);
    CurrentHost().variance.NoiseField(data->reserved1);
    return NoError;
}

} // namespace simhost
