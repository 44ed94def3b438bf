#pragma once

#include "api/HostApiRecords.h"
#include "model/Attributes.h"

#include <cstring>
#include <string>

namespace simhost {

// The name an attribute header carries, read up to its NUL (or the end of the field).
inline std::string HeaderName(const API_AttributeHeader& header) {
    return std::string(header.name, strnlen(header.name, sizeof header.name));
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

} // namespace simhost
