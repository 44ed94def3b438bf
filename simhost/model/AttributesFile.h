#pragma once

#include "model/Attributes.h"

#include <nlohmann/json.hpp>

#include <string>

namespace simhost {

// The attributes in the project file: "attributes" with its lists of building materials,
// composites, property groups and definitions, classification systems and the undo list.
nlohmann::json AttributesToJson(const AttributeStore& store);
// Throws ProjectFileError naming `source` for malformed or inconsistent contents.
AttributeStore AttributesFromJson(const nlohmann::json& document, const std::string& source);

} // namespace simhost
