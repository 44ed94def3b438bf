#include "export/UsageScan.h"

#include "host/HostApi.h"
#include "host/HostHandle.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace {

Int64 Key(Int32 attributeType, Int32 index) {
    return Int64(UInt64(UInt32(attributeType)) << 32 | UInt32(index));
}

} // namespace

Int32 ReferencedAttributeType(UInt64 compositeEntries) {
    return compositeEntries > 0 ? AttrTypeComposite : AttrTypeBuildingMaterial;
}

double RoundArea(double sum) {
    return std::floor(sum * 100 + 0.5) / 100;
}

void UsageScan::Track(Int32 attributeType, Int32 index) {
    tracked.insert(Key(attributeType, index));
    anyTrackedMaterial = anyTrackedMaterial || attributeType == AttrTypeBuildingMaterial;
}

bool UsageScan::FindCompositesOfTrackedMaterials() {
    Int32 count = 0;
    if (HostApi::GetAttributeCount(AttrTypeComposite, &count) != NoError)
        return false;
    for (Int32 i = 1; i <= count; ++i) {
        API_AttributeHeader header{};
        header.typeID = AttrTypeComposite;
        header.index = i;
        API_AttributeDefinitions definitions{};
        const GSErrCode read = HostApi::GetAttributeDefinitions(&header, &definitions);
        HostHandle skins, lines; // the caller's to dispose of
        *skins.Out() = definitions.compositeSkins;
        *lines.Out() = definitions.compositeLines;
        if (read != NoError) {
            compositesOfTrackedMaterials.insert(i); // its skins are unknown: it may hold one
            continue;
        }
        const Int64 n = skins ? BMGetHandleSize(skins.Get()) / Int64(sizeof(API_CompositeSkin)) : 0;
        for (Int64 s = 0; s < n; ++s)
            if (tracked.contains(
                    Key(AttrTypeBuildingMaterial, skins.As<API_CompositeSkin>()[s].buildingMaterial))) {
                compositesOfTrackedMaterials.insert(i);
                break;
            }
    }
    return true;
}

bool UsageScan::MayUseTracked(const API_Element& e) const {
    for (Int32 reference : {e.wallAttribute, e.roofAttribute, e.slabAttribute, e.extraAttribute}) {
        if (reference == 0)
            continue;
        if (everyReferenceMayUse || tracked.contains(Key(AttrTypeBuildingMaterial, reference)) ||
            tracked.contains(Key(AttrTypeComposite, reference)) ||
            compositesOfTrackedMaterials.contains(reference))
            return true;
    }
    return false;
}

void UsageScan::Walk() {
    walked = true;
    const bool measureEvery = measure == Measure::EveryElement;
    if (!measureEvery && tracked.empty())
        return; // no element can use what nobody asks about
    if (!measureEvery && anyTrackedMaterial)
        everyReferenceMayUse = !FindCompositesOfTrackedMaterials();

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
            std::memset(static_cast<void*>(element.get()), 0, sizeof *element);
            element->header.guid = guid;
            // A record that cannot be read leaves the references 0; the element is measured all
            // the same, since its quantity entries may still name tracked materials.
            const bool read = HostApi::GetElement(element.get(), 0) == NoError;
            if (!read)
                std::memset(static_cast<void*>(element.get()), 0, sizeof *element);
            if (!measureEvery && read && !MayUseTracked(*element))
                continue;
            std::memset(static_cast<void*>(quantity.get()), 0, sizeof *quantity);
            composites.Clear();
            API_Quantities out{quantity.get(), &composites};
            if (HostApi::GetElementQuantities(&guid, &params, &out, mask.get()) != NoError)
                continue; // the element contributes nothing
            ++measured;

            const API_Element& e = *element;
            const Int32 t = ReferencedAttributeType(composites.GetSize());
            bool usesTracked = false;
            auto use = [&](Int32 attributeType, Int32 index) -> Figures& {
                usesTracked = usesTracked || tracked.contains(Key(attributeType, index));
                return Of(attributeType, index);
            };
            for (Int32 reference : {e.wallAttribute, e.roofAttribute, e.slabAttribute, e.extraAttribute})
                ++use(t, reference).count;
            for (const auto& c : composites)
                ++use(AttrTypeBuildingMaterial, c.buildMatIndex).count;
            // The additions in the order a scan for one attribute makes them.
            Of(t, e.roofAttribute).sum += quantity->roofArea;
            Of(t, e.slabAttribute).sum += quantity->area;
            Of(t, e.wallAttribute).sum += quantity->area;
            for (const auto& c : composites)
                Of(AttrTypeBuildingMaterial, c.buildMatIndex).sum += c.area;
            if (usesTracked)
                users.push_back(guid);
        }
    }
}

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

const std::vector<API_Guid>& UsageScan::UsersOfTracked() {
    if (!walked)
        Walk();
    return users;
}

UInt64 UsageScan::MeasuredElements() {
    if (!walked)
        Walk();
    return measured;
}
