#pragma once

// The usage figures as first described: every figure of every tagged item walks all elements
// again. Kept only as the yardstick of the one-walk scan: the benchmarks time it, and a test
// compares the figures text for text.
#include "export/ProductUsage.h"
#include "host/HostApi.h"
#include "host/HostHandle.h"
#include "host/ProductTag.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace reference {

// Walks the elements and calls `visit` with each element whose quantities could be computed.
template <typename Visit> void WalkElements(Visit visit) {
    auto mask = std::make_unique<API_QuantitiesMask>();
    std::memset(mask.get(), 0xFF, sizeof *mask);
    auto quantity = std::make_unique<API_ElementQuantity>();
    auto element = std::make_unique<API_Element>();
    API_QuantityPar params{};
    GS::Array<API_CompositeQuantity> composites;
    GS::Array<API_Guid> guids;
    const API_Guid none;
    for (Int32 type : scannedElementTypes) {
        guids.Clear();
        (void)HostApi::ListElementsByType(type, &guids, 0, 0, &none);
        for (const API_Guid& guid : guids) {
            std::memset(static_cast<void*>(quantity.get()), 0, sizeof *quantity);
            API_Quantities out{quantity.get(), &composites};
            if (HostApi::GetElementQuantities(&guid, &params, &out, mask.get()) != NoError)
                continue;
            std::memset(static_cast<void*>(element.get()), 0, sizeof *element);
            element->header.guid = guid;
            (void)HostApi::GetElement(element.get(), 0);
            visit(*element, *quantity, composites);
        }
    }
}

// Whether the element's references name attributes of type `t`: an element with composite
// entries is made of a composite, any other of a building material.
inline bool ReferencesName(const GS::Array<API_CompositeQuantity>& entries, Int32 t) {
    return t == (entries.GetSize() > 0 ? AttrTypeComposite : AttrTypeBuildingMaterial);
}

inline Int32 CountAttributeUses(Int32 t, Int32 k) {
    Int32 count = 0;
    WalkElements(
        [&](const API_Element& e, const API_ElementQuantity&, const GS::Array<API_CompositeQuantity>& cs) {
            if (ReferencesName(cs, t))
                for (Int32 reference : {e.wallAttribute, e.roofAttribute, e.slabAttribute, e.extraAttribute})
                    count += reference == k;
            if (t == AttrTypeBuildingMaterial) // the entries name building materials
                for (const auto& c : cs)
                    count += c.buildMatIndex == k;
        });
    return count;
}

inline double SumAttributeArea(Int32 t, Int32 k) {
    double sum = 0.0;
    WalkElements(
        [&](const API_Element& e, const API_ElementQuantity& q, const GS::Array<API_CompositeQuantity>& cs) {
            if (ReferencesName(cs, t)) {
                if (e.roofAttribute == k)
                    sum += q.roofArea;
                if (e.slabAttribute == k)
                    sum += q.area;
                if (e.wallAttribute == k)
                    sum += q.area;
            }
            if (t == AttrTypeBuildingMaterial)
                for (const auto& c : cs)
                    if (c.buildMatIndex == k)
                        sum += c.area;
        });
    return std::floor(sum * 100 + 0.5) / 100;
}

inline ProductUsageList ListTaggedMaterials() {
    ProductUsageList list;
    Int32 count = 0;
    if (HostApi::GetAttributeCount(AttrTypeBuildingMaterial, &count) != NoError)
        return list;
    for (Int32 i = 1; i <= count; ++i) {
        API_Attribute attribute{};
        attribute.header.typeID = AttrTypeBuildingMaterial;
        attribute.header.index = i;
        if (HostApi::GetAttribute(&attribute) != NoError)
            continue;
        GS::Array<API_PropertyDefinition> definitions;
        if (HostApi::GetAttributePropertyDefinitions(&attribute.header, 3, &definitions) != NoError)
            continue;
        for (const auto& d : definitions) {
            if (!(d.name == GS::UniString("QV_UUID")))
                continue;
            API_Property property{};
            if (HostApi::GetAttributePropertyValue(&attribute.header, &d.guid, &property) != NoError)
                continue;
            std::string uuid = property.value.singleVariant.variant.uniStringValue.ToCStr();
            if (uuid.empty())
                continue;
            ProductUsage u;
            u.Uuid = uuid;
            u.TotalArea = SumAttributeArea(AttrTypeBuildingMaterial, i);
            u.NumOfElements = CountAttributeUses(AttrTypeBuildingMaterial, i);
            list.push_back(u);
        }
    }
    return list;
}

inline ProductUsageList ListTaggedComposites() {
    ProductUsageList list;
    Int32 count = 0;
    if (HostApi::GetAttributeCount(AttrTypeComposite, &count) != NoError)
        return list;
    for (Int32 i = 1; i <= count; ++i) {
        API_Attribute attribute{};
        attribute.header.typeID = AttrTypeComposite;
        attribute.header.index = i;
        if (HostApi::GetAttribute(&attribute) != NoError)
            continue;
        HostHandle block(ProductTagBlockSize);
        API_AttributeUserData userData{};
        userData.dataHdl = block.Get();
        if (!block || HostApi::GetAttributeUserData(&attribute.header, &userData) != NoError)
            continue;
        const auto tag = ReadProductTag(block.Get());
        if (!tag || tag->uuid.empty())
            continue;
        const std::string uuid = tag->uuid;
        ProductUsage u;
        u.Uuid = uuid;
        u.TotalArea = SumAttributeArea(AttrTypeComposite, i);
        u.NumOfElements = CountAttributeUses(AttrTypeComposite, i);
        list.push_back(u);
    }
    return list;
}

} // namespace reference
