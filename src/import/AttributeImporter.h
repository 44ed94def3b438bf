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

// Where a composite product goes: the add-on's own composite to update (its index and name), or,
// with index 0, the name to create it under.
struct CompositeTarget {
    Int32 index = 0;
    std::string name;
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
    // Reads the project's composites once and chooses, for the name (as the host keeps it) and
    // the product: the product's own composite under that name or a copy's name; else the
    // add-on's own composite of that name (tagged for another product), which takes this one;
    // else the name when it is free; else, the name being the user's own composite, which is
    // never changed, the first free copy's name "<name> (2)", "<name> (3)"...
    static CompositeTarget ChooseTarget(const std::string& name, const std::string& uuidText);

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

// "<name> (<copy>)", the name cut (never inside a character) so that the whole fits the host's
// name field; and whether a name is one of those, for a copy from 2 on.
std::string CopyName(const std::string& name, Int32 copy);
bool IsCopyName(const std::string& candidate, const std::string& name);
