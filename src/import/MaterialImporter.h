#pragma once

#include "export/ProductUsage.h"
#include "gs/UniString.h"
#include "import/BaseImporter.h"
#include "import/PropertySets.h"

#include <string>

// The four cut values of a layer style.
struct LayerStyle {
    Int16 fillIndex = 0;
    Int16 fillPen = 0;
    Int16 fillBackgroundPen = 0;
    Int16 surfaceIndex = 0;

    bool operator==(const LayerStyle&) const = default;
};

// One building-material product as read.
struct MaterialData {
    std::string name;
    GS::UniString supplierName;
    Int32 attributeIndex = 0;
    std::string uuid;
    Int16 fillIndex = 0;
    Int16 fillPen = 0;
    Int16 fillBackgroundPen = 0;
    Int16 surfaceIndex = 0;
    double thermalConductivity = 0.0;
    double density = 0.0;
    double heatCapacity = 0.0;
    bool showUncutLines = true;
    std::string layerStyle;
    PropertySetMap propertySets;
};

// A `MATERIAL_IMPORT` product becomes a tagged, classified building material. The composite
// importers derive from it and use ReadMaterial and CreateBuildingMaterial once per layer.
class MaterialImporter : public BaseImporter {
public:
    void Import(nlohmann::json product) override;

    // JSON shape errors leave as the JSON library's exceptions.
    static MaterialData ReadMaterial(nlohmann::json product);
    // The row of the host language's table (German for "GER"), 0, 0, 0, 0 for an unknown style.
    static LayerStyle LookUpLayerStyle(const std::string& layerStyle);
    // Creates the material, or modifies the one of that name; then classifies it and writes its
    // properties. Answers the index, 0 when neither creation nor look-up worked.
    static Int32 CreateBuildingMaterial(MaterialData& data);
    // The same, numbered from a count of the tagged materials kept by the caller, which this
    // material's tags then update: an import of many materials counts the project once.
    static Int32 CreateBuildingMaterial(MaterialData& data, TaggedMaterialCount& tagged);
};

// "QV_" and the sequence number, at least three digits.
std::string MaterialIdentifier(Int32 sequence);
