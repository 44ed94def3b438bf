#pragma once

#include "gs/Types.h"

#include <unordered_map>

// How the project's elements (walls, slabs, roofs) use attributes: for any attribute index, the
// number of references and quantity entries naming it and their summed quantity. One walk over
// the elements, made at the first question, answers every index; each element's quantities are
// computed once. Each index's sum is added up in the element order and the order of additions
// of a scan made for that index alone, so the figures are the same to the bit.
class UsageScan {
public:
    Int32 CountAttributeUses(Int32 index);
    // Rounded to two decimals, halves up; in the host's units.
    double SumAttributeArea(Int32 index);

private:
    struct Figures {
        Int32 count = 0;
        double sum = 0.0;
    };
    void Walk();

    bool walked = false;
    std::unordered_map<Int32, Figures> figures;
};

// The element types walked, in this order: walls, slabs, roofs.
inline constexpr Int32 scannedElementTypes[] = {1, 8, 9};

// floor(sum × 100 + 0.5) / 100.
double RoundArea(double sum);
