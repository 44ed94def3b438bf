#pragma once

#include "api/HostApiRecords.h"
#include "gs/Types.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

// How the project's elements (walls, slabs, roofs) use attributes: for an attribute (type and
// index), the number of references and quantity entries naming it and their summed quantity.
// Building materials and composites are numbered apart, and the element record does not say
// which its references name: an element with composite quantity entries is made of a composite,
// so its references count for composites; any other element's count for building materials.
// The entries always name building materials.
//
// The attributes asked about are tracked before the first question, which makes one walk over
// the elements for all of them. Computing an element's quantities is what costs a host most, so
// they are computed only for elements that may use a tracked attribute: one of whose references
// names a tracked attribute, or a composite with a tracked building material among its skins
// (read once per walk), and elements whose record cannot be read. The figures are those of a walk
// that measures every element; each attribute's sum is added up in the element order and the
// order of additions of a scan made for that attribute alone, so they agree to the bit.
class UsageScan {
public:
    enum class Measure {
        UsersOfTracked, // the elements that may use a tracked attribute
        EveryElement,   // every element, as a yardstick
    };
    explicit UsageScan(Measure measure = Measure::UsersOfTracked) : measure(measure) {}

    // An attribute whose figures will be asked for; tracked before the first question.
    void Track(Int32 attributeType, Int32 index);
    Int32 CountAttributeUses(Int32 attributeType, Int32 index);
    // Rounded to two decimals, halves up; in the host's units.
    double SumAttributeArea(Int32 attributeType, Int32 index);
    // The elements that use a tracked attribute, each once, in the order of the walk.
    const std::vector<API_Guid>& UsersOfTracked();
    // How many elements had their quantities computed.
    UInt64 MeasuredElements();

private:
    struct Figures {
        Int32 count = 0;
        double sum = 0.0;
    };
    void Walk();
    // Composites whose skins hold a tracked building material; false when the host cannot tell.
    bool FindCompositesOfTrackedMaterials();
    bool MayUseTracked(const API_Element& element) const;
    Figures& Of(Int32 attributeType, Int32 index);
    const Figures* Find(Int32 attributeType, Int32 index);

    Measure measure;
    bool walked = false;
    std::unordered_set<Int64> tracked;
    bool anyTrackedMaterial = false;
    std::unordered_set<Int32> compositesOfTrackedMaterials;
    bool everyReferenceMayUse = false;          // the composites' skins could not all be read
    std::unordered_map<Int64, Figures> figures; // by attribute type (high half) and index
    std::vector<API_Guid> users;
    UInt64 measured = 0;
};

// The element types walked, in this order: walls, slabs, roofs.
inline constexpr Int32 scannedElementTypes[] = {ElemTypeWall, ElemTypeSlab, ElemTypeRoof};

// What an element's references name: composites when its quantities have composite entries,
// building materials otherwise.
Int32 ReferencedAttributeType(UInt64 compositeEntries);

// floor(sum × 100 + 0.5) / 100.
double RoundArea(double sum);
