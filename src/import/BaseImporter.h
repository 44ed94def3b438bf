#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <string>

// The product kinds and their numbers.
enum class ImportType : int {
    Material = 1,
    Type = 2,
    Family = 3,
    GenericGeometry = 4,
};
using ImportTypeTable = std::map<std::string, int>;
ImportTypeTable MakeImportTypeTable();

// The importers' common base: one import per object, no state.
class BaseImporter {
public:
    virtual ~BaseImporter() = default;
    virtual void Import(nlohmann::json product) = 0;
};

// The text of a dispatch key: "null" when the key is missing or null; any other non-text raises
// the JSON library's type error.
std::string TextOrNull(nlohmann::json& product, const std::string& key);

// A product name as the host's name fields take it: a NUL would end the name there, and make it
// another product's, so it becomes "_", as control characters do in file names.
std::string HostNameText(std::string name);
