#pragma once

#include "import/ImportDispatcher.h"

#include <nlohmann/json.hpp>

#include <string>

namespace testing_support {

// Imports a building material product with nothing but its name, uuid and supplier.
inline void ImportMaterial(const std::string& name, const std::string& uuid) {
    nlohmann::json p = {
        {"importType", "MATERIAL_IMPORT"}, {"name", name}, {"uuid", uuid}, {"supplier", {{"name", "S"}}}};
    RunImport(GS::UniString(p.dump()));
}

} // namespace testing_support
