#pragma once

#include "import/ImportDispatcher.h"
#include "runtime/Host.h"

#include <nlohmann/json.hpp>

#include <string>

namespace testing_support {

// Imports a building material product with nothing but its name, uuid and supplier.
inline void ImportMaterial(const std::string& name, const std::string& uuid) {
    nlohmann::json p = {
        {"importType", "MATERIAL_IMPORT"}, {"name", name}, {"uuid", uuid}, {"supplier", {{"name", "S"}}}};
    RunImport(GS::UniString(p.dump(), CC_UTF8));
}

// Imports "<name> 1" tagged "<uuid>1", then adds copies of it, "<name> 2" to "<name> <count>"
// tagged "<uuid>2" to "<uuid><count>": a project of many tagged materials without an import each.
inline void ImportTaggedMaterials(simhost::Host& host, const std::string& name, const std::string& uuid,
                                  int count) {
    ImportMaterial(name + " 1", uuid + "1");
    auto& materials = host.project.attributes.buildingMaterials;
    const simhost::BuildingMaterial model = materials.back();
    for (int n = 2; n <= count; ++n) {
        simhost::BuildingMaterial copy = model;
        copy.guid = GS::Guid::Generate();
        copy.name = name + " " + std::to_string(n);
        for (auto& [definition, value] : copy.propertyValues)
            if (value == uuid + "1")
                value = uuid + std::to_string(n);
        materials.push_back(copy);
    }
}

// Adds library part `name` to the project as the add-on's import leaves it: created, with the
// product tag's text parameter holding `uuid`.
inline void AddTaggedLibraryPart(simhost::Host& host, const std::string& name, const std::string& uuid) {
    simhost::LibraryPart part;
    part.name = name;
    part.origin = "created";
    part.parameters =
        std::vector<simhost::LibraryParameter>{{12, "Q7_QV_UUID", "QV_UUID", 1, uuid, 0.0, std::nullopt}};
    host.project.libraries.parts.push_back(part);
}

} // namespace testing_support
