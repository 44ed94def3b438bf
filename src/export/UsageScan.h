#pragma once

#include "gs/Types.h"

#include <unordered_map>

// How the project's elements (walls, slabs, roofs) use attributes: for any attribute (type and
// index), the number of references and quantity entries naming it and their summed quantity.
// Building materials and composites are numbered apart, and the element record does not say
// which its references name: an element with composite quantity entries is made of a composite,
// so its references count for composites; any other element's count for building materials.
// The entries always name building materials. One walk over the elements, made at the first
// question, answers every attribute; each element's quantities are computed once.
// Each attribute's sum is added up in the element order and the order of additions of a scan
// made for that attribute alone, so the figures are the same to the bit.
class UsageScan {
public:
    Int32 CountAttributeUses(Int32 attributeType, Int32 index);
    // Rounded to two decimals, halves up; in the host's units.
    double SumAttributeArea(Int32 attributeType, Int32 index);

private:
    struct Figures {
        Int32 count = 0;
        double sum = 0.0;
    };
    void Walk();
    Figures& Of(Int32 attributeType, Int32 index);
    const Figures* Find(Int32 attributeType, Int32 index);

    bool walked = false;
    std::unordered_map<Int64, Figures> figures; // by attribute type (high half) and index
};

// The element types walked, in this order: walls, slabs, roofs.
inline constexpr Int32 scannedElementTypes[] = {1, 8, 9};

// What an element's references name: composites when its quantities have composite entries,
// building materials otherwise.
Int32 ReferencedAttributeType(UInt64 compositeEntries);

// floor(sum × 100 + 0.5) / 100.
double RoundArea(double sum);
