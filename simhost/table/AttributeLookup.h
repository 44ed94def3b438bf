#pragma once

#include "api/HostApiRecords.h"
#include "model/Attributes.h"
#include "runtime/Host.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace simhost {

// The name an attribute header carries, read up to its NUL (or the end of the field).
inline std::string HeaderName(const API_AttributeHeader& header) {
    return std::string(header.name, strnlen(header.name, sizeof header.name));
}

// Writes the name into the header's field, cut to fit with its NUL. The field after the NUL and
// the header's reserved bytes are open: the host's variance fills them.
inline void PutHeaderName(API_AttributeHeader& header, const std::string& name) {
    std::memset(header.name, 0, sizeof header.name);
    std::memcpy(header.name, name.data(), std::min(name.size(), sizeof header.name - 1));
    HostVariance& variance = CurrentHost().variance;
    variance.NoiseAfterText(header.name, sizeof header.name);
    variance.NoiseField(header.reserved0);
}

// The building material a header names: by its index, or by its name when the index is 0.
// Nothing for another type or when none matches.
inline BuildingMaterial* ResolveMaterial(AttributeStore& store, const API_AttributeHeader* header,
                                         Int32* index = nullptr) {
    if (header == nullptr || header->typeID != AttrTypeBuildingMaterial)
        return nullptr;
    Int32 i = header->index != 0 ? header->index : store.MaterialIndexOf(HeaderName(*header));
    if (index != nullptr)
        *index = i;
    return store.MaterialAt(i);
}

// The composite a header names, in the same way.
inline Composite* ResolveComposite(AttributeStore& store, const API_AttributeHeader* header,
                                   Int32* index = nullptr) {
    if (header == nullptr || header->typeID != AttrTypeComposite)
        return nullptr;
    Int32 i = header->index != 0 ? header->index : store.CompositeIndexOf(HeaderName(*header));
    if (index != nullptr)
        *index = i;
    return store.CompositeAt(i);
}

// What the host answers for a header that names no attribute: ErrDeleted when its index is the
// hole of a deleted attribute, ErrNotFound otherwise.
inline GSErrCode MissingAttribute(const AttributeStore& store, const API_AttributeHeader* header) {
    return header != nullptr && store.IsDeleted(header->typeID, header->index) ? ErrDeleted : ErrNotFound;
}

// Fills the header and the composite part of the record.
void PutCompositeRecord(API_Attribute& attribute, const Composite& c, Int32 index);

} // namespace simhost
