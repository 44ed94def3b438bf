#include "export/UsageScan.h"

#include "host/HostApi.h"

#include <cmath>
#include <cstring>
#include <memory>

Int32 ReferencedAttributeType(UInt64 compositeEntries) {
    return compositeEntries > 0 ? AttrTypeComposite : AttrTypeBuildingMaterial;
}

double RoundArea(double sum) {
    return std::floor(sum * 100 + 0.5) / 100;
}

void UsageScan::Walk() {
    walked = true;
    auto mask = std::make_unique<API_QuantitiesMask>();
    std::memset(mask.get(), 0xFF, sizeof *mask); // every quantity
    auto quantity = std::make_unique<API_ElementQuantity>();
    auto element = std::make_unique<API_Element>();
    API_QuantityPar params{};
    GS::Array<API_CompositeQuantity> composites;
    GS::Array<API_Guid> guids;
    const API_Guid none;

    for (Int32 type : scannedElementTypes) {
        guids.Clear();
        (void)HostApi::ListElementsByType(type, &guids, 0, 0, &none); // a failed listing lists nothing
        for (const API_Guid& guid : guids) {
            std::memset(static_cast<void*>(quantity.get()), 0, sizeof *quantity);
            composites.Clear();
            API_Quantities out{quantity.get(), &composites};
            if (HostApi::GetElementQuantities(&guid, &params, &out, mask.get()) != NoError)
                continue; // the element contributes nothing
            std::memset(static_cast<void*>(element.get()), 0, sizeof *element);
            element->header.guid = guid;
            (void)HostApi::GetElement(element.get(), 0); // not examined: a failed read leaves references 0

            const API_Element& e = *element;
            const Int32 t = ReferencedAttributeType(composites.GetSize());
            for (Int32 reference : {e.wallAttribute, e.roofAttribute, e.slabAttribute, e.extraAttribute})
                ++Of(t, reference).count;
            for (const auto& c : composites)
                ++Of(AttrTypeBuildingMaterial, c.buildMatIndex).count;
            // The additions in the order a scan for one attribute makes them.
            Of(t, e.roofAttribute).sum += quantity->roofArea;
            Of(t, e.slabAttribute).sum += quantity->area;
            Of(t, e.wallAttribute).sum += quantity->area;
            for (const auto& c : composites)
                Of(AttrTypeBuildingMaterial, c.buildMatIndex).sum += c.area;
        }
    }
}

namespace {
Int64 Key(Int32 attributeType, Int32 index) {
    return Int64(UInt64(UInt32(attributeType)) << 32 | UInt32(index));
}
} // namespace

UsageScan::Figures& UsageScan::Of(Int32 attributeType, Int32 index) {
    return figures[Key(attributeType, index)];
}

const UsageScan::Figures* UsageScan::Find(Int32 attributeType, Int32 index) {
    if (!walked)
        Walk();
    auto f = figures.find(Key(attributeType, index));
    return f != figures.end() ? &f->second : nullptr;
}

Int32 UsageScan::CountAttributeUses(Int32 attributeType, Int32 index) {
    const Figures* f = Find(attributeType, index);
    return f != nullptr ? f->count : 0;
}

double UsageScan::SumAttributeArea(Int32 attributeType, Int32 index) {
    const Figures* f = Find(attributeType, index);
    return RoundArea(f != nullptr ? f->sum : 0.0);
}
