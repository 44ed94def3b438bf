#include "import/BaseImporter.h"

ImportTypeTable MakeImportTypeTable() {
    return {
        {"MATERIAL_IMPORT", static_cast<int>(ImportType::Material)},
        {"TYPE_IMPORT", static_cast<int>(ImportType::Type)},
        {"FAMILY_IMPORT", static_cast<int>(ImportType::Family)},
        {"GENERIC_GEOMETRY_IMPORT", static_cast<int>(ImportType::GenericGeometry)},
    };
}

std::string TextOrNull(nlohmann::json& product, const std::string& key) {
    // Inserting access on the caller's own copy: a missing key reads as null.
    const nlohmann::json& value = product[key];
    if (value.is_null())
        return "null";
    return value.get<std::string>();
}

std::string HostNameText(std::string name) {
    for (char& c : name)
        if (c == '\0')
            c = '_';
    return name;
}
