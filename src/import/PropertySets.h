#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <string>

// Property sets of a product: set name → (property name → value text), both levels ordered by
// byte-wise ascending name. Texts are the 8-bit texts received.
using PropertyMap = std::map<std::string, std::string>;
using PropertySetMap = std::map<std::string, PropertyMap>;

// The name of the product tag's set and property.
inline constexpr const char* ProductTagName = "QV_UUID";

// Reads `propertySets` of a product (an array of sets, or an object taken member by member;
// null: none). JSON shape errors leave as the JSON library's exceptions.
PropertySetMap ReadPropertySets(const nlohmann::json& propertySets);

// Sets property "QV_UUID" of set "QV_UUID" to `uuid`, replacing an earlier value.
void AddProductTag(PropertySetMap& sets, const std::string& uuid);
