#include "import/AttributeImporter.h"

#include "gs/Debug.h"
#include "host/HostApi.h"
#include "host/HostHandle.h"
#include "host/ProductTag.h"
#include "import/ImportDispatcher.h"
#include "import/ImportedProductsExporter.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

using nlohmann::json;

Int16 AttributeImporter::StructureKind(const std::string& constructionType) {
    static const std::pair<const char*, Int16> kinds[] = {
        {"WALL", 1}, {"wall", 1}, {"Wall", 1}, {"FLOOR", 2},   {"floor", 2},   {"Floor", 2},
        {"ROOF", 4}, {"roof", 4}, {"Roof", 4}, {"CEILING", 4}, {"ceiling", 4}, {"Ceiling", 4},
    };
    for (const auto& [word, kind] : kinds)
        if (constructionType == word)
            return kind;
    return 0;
}

double AttributeImporter::ReadThickness(const json& thickness) {
    const std::string text = thickness.dump();
    double millimetres = 0.0;
    // from_chars reads the longest leading decimal number; a text that does not begin with one
    // (a quoted string, "null", an array) gives 0.
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), millimetres);
    if (error != std::errc() || end == text.data())
        millimetres = 0.0;
    return millimetres / 1000.0;
}

CompositeLayer AttributeImporter::ReadLayer(json element) {
    CompositeLayer layer;
    json product = element["product"];
    // The layer's style replaces the product's own.
    const std::string layerStyle = element["layerstyle"].get<std::string>();
    product["layerstyle"] = layerStyle;
    layer.thickness = ReadThickness(element["thickness"]);
    layer.layerStyle = layerStyle;
    layer.material = ReadMaterial(std::move(product));
    return layer;
}

CompositeData AttributeImporter::ReadComposite(json product) {
    CompositeData data;
    data.name = product["Name"].get<std::string>();
    data.constructionType = product["constructionType"].get<std::string>();
    data.uuidText = std::to_string(SystemIdOf(product["uuid"]));
    // An array yields its elements, an object its member values in key order, null nothing; a
    // bare number or string yields itself, which ReadLayer refuses.
    for (const auto& element : product["layers"])
        data.layers.push_back(ReadLayer(element));
    data.totalThickness = 0.0;
    for (const auto& layer : data.layers)
        data.totalThickness += layer.thickness;
    data.structureKind = StructureKind(data.constructionType);
    return data;
}

void AttributeImporter::CreateComposite(const CompositeData& data) {
    // A larger count would wrap and the blocks would not match it.
    if (data.layers.size() > MaxCompositeLayers)
        throw ImportRefused("a composite holds at most 32767 layers");
    const Int16 n = Int16(data.layers.size());

    API_Attribute composite{};
    {
        HostHandle skins(Int64(n) * Int64(sizeof(API_CompositeSkin)));
        if (!skins)
            return; // nothing is created
        for (Int16 i = 0; i < n; ++i) {
            const CompositeLayer& layer = data.layers[size_t(i)];
            MaterialData material = layer.material;
            const Int32 index = CreateBuildingMaterial(material);
            skins.As<API_CompositeSkin>()[i] = API_CompositeSkin{index, 1, 1, layer.thickness};
        }

        HostHandle lines((Int64(n) + 1) * Int64(sizeof(API_CompositeLine)));
        if (!lines)
            return; // the building materials stay
        for (Int32 i = 0; i <= n; ++i) {
            lines.As<API_CompositeLine>()[i].lineType = 1;
            lines.As<API_CompositeLine>()[i].linePen = 1;
        }

        composite.header.typeID = AttrTypeComposite;
        composite.header.structureKind = data.structureKind;
        CHTruncate(data.name.c_str(), composite.header.name, Int32(sizeof composite.header.name));
        composite.composite.totalThickness = data.totalThickness;
        composite.composite.nSkins = n;
        // The host takes no composite without a name or with a thickness below zero or beyond
        // numbers: the product makes none, and its building materials stay.
        bool usable = composite.header.name[0] != '\0' && std::isfinite(data.totalThickness);
        for (const auto& layer : data.layers)
            usable = usable && layer.thickness >= 0.0;
        if (!usable) {
            DBPrintf("Quorvel: composite \"%s\" has no name or an unusable thickness; not created\n",
                     data.name.c_str());
            return;
        }
        API_AttributeDefinitions definitions{};
        definitions.compositeSkins = skins.Get();
        definitions.compositeLines = lines.Get();
        GSErrCode made = HostApi::CreateAttributeWithDefinitions(&composite, &definitions);
        if (made == ErrNameExists) {
            // As for a building material: the composite of that name takes the new product, and
            // the tag goes to it by its own index.
            composite.header.index = 0;
            made = HostApi::ModifyAttributeWithDefinitions(&composite, &definitions);
        }
        if (made != NoError) {
            // Tagged by name, a composite that kept its old layers (perhaps the user's own) would
            // be credited with the product's use.
            DBPrintf("Quorvel: composite \"%s\" was neither created nor modified (0x%08X); not tagged\n",
                     data.name.c_str(), unsigned(made));
            return;
        }
    } // both blocks released

    // A number and a fixed name: far below what the host keeps as user data.
    const std::string bytes = ProductTagBytes(data.uuidText, CompositeTagName);
    HostHandle tag(Int64(bytes.size()));
    if (!tag)
        return;
    std::memcpy(tag.As<char>(), bytes.data(), bytes.size());
    API_AttributeUserData userData{};
    userData.dataVersion = 0;
    userData.platformSign = PlatformSignature;
    userData.dataHdl = tag.Get();
    (void)HostApi::SetAttributeUserData(&composite.header, &userData); // not examined
}

void AttributeImporter::Import(json product) {
    const CompositeData data = ReadComposite(std::move(product));
    CreateComposite(data);
}
