#pragma once

#include "import/MaterialImporter.h"

#include <cstddef>
#include <string>
#include <vector>

// One layer of a composite product.
struct CompositeLayer {
    std::string layerStyle;
    MaterialData material;
    double thickness = 0.0; // metres
};

// A composite product as read.
struct CompositeData {
    std::string name;
    std::string constructionType;
    std::string uuidText;
    Int16 structureKind = 0;
    double totalThickness = 0.0; // metres
    std::vector<CompositeLayer> layers;
};

// A `TYPE_IMPORT` product becomes a composite structure with one building material per layer,
// tagged with the product's identifier as user data. Walls, floors (and ceilings) and roofs
// share this one import.
class AttributeImporter : public MaterialImporter {
public:
    void Import(nlohmann::json product) override;

    // The whole product, all layers included, is read before anything is created, so a JSON
    // shape error leaves the project untouched.
    static CompositeData ReadComposite(nlohmann::json product);
    static CompositeLayer ReadLayer(nlohmann::json element);
    // Creates the layers' building materials, then the composite, then its tag. Raises
    // ImportRefused, before anything is created, for more layers than the host's skin count holds.
    static void CreateComposite(const CompositeData& data);

    // 1 wall, 2 floor, 4 roof and ceiling; 0 for any other text.
    static Int16 StructureKind(const std::string& constructionType);
    // The longest leading decimal number of the compact JSON text of `thickness`, in metres.
    static double ReadThickness(const nlohmann::json& thickness);
};

class WallImporter : public AttributeImporter {};
class FloorImporter : public AttributeImporter {};
class RoofImporter : public AttributeImporter {};

// The name of a composite's tag user data.
inline constexpr const char* CompositeTagName = "Q7_QV_UUID";
// The host counts skins in 16 bits.
inline constexpr size_t MaxCompositeLayers = 32767;
