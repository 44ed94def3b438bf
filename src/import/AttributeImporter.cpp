#include "import/AttributeImporter.h"

#include "export/ProductUsage.h"
#include "gs/Debug.h"
#include "host/HostApi.h"
#include "host/HostHandle.h"
#include "host/ProductTag.h"
#include "import/ImportDispatcher.h"
#include "import/ImportedProductsExporter.h"
#include "import/ProductPayload.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_set>
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

namespace {

// The name the host keeps: its name field holds 255 bytes.
constexpr size_t MaxAttributeNameBytes = AttrNameSize - 1;

// A composite of the project as the import sees it.
struct ProjectComposite {
    Int32 index = 0;
    std::string name;
    std::string uuid; // the product's identifier when the composite is the add-on's own, else empty
};

// Every composite of the project, each with two host calls; nothing when the host cannot count
// them. A composite whose tag cannot be read counts as the user's: it is never changed.
std::optional<std::vector<ProjectComposite>> ReadProjectComposites() {
    Int32 count = 0;
    if (HostApi::GetAttributeCount(AttrTypeComposite, &count) != NoError)
        return std::nullopt;
    std::vector<ProjectComposite> composites;
    for (Int32 i = 1; i <= count; ++i) {
        API_Attribute attribute{};
        attribute.header.typeID = AttrTypeComposite;
        attribute.header.index = i;
        if (HostApi::GetAttribute(&attribute) != NoError)
            continue; // a deleted one, or one the host cannot show: its name is not taken
        ProjectComposite composite{
            i,
            std::string(attribute.header.name, strnlen(attribute.header.name, sizeof attribute.header.name)),
            {}};
        const auto tag = ReadProductTag(attribute.header);
        if (tag && tag->name == CompositeTagName)
            composite.uuid = tag->uuid;
        composites.push_back(std::move(composite));
    }
    return composites;
}

} // namespace

std::string CopyName(const std::string& name, Int32 copy) {
    const std::string suffix = " (" + std::to_string(copy) + ")";
    return CutUtf8(name, MaxAttributeNameBytes - suffix.size()) + suffix;
}

bool IsCopyName(const std::string& candidate, const std::string& name) {
    const size_t open = candidate.rfind(" (");
    if (open == std::string::npos || candidate.back() != ')')
        return false;
    const std::string digits = candidate.substr(open + 2, candidate.size() - open - 3);
    if (digits.empty() || digits.size() > 9 || digits[0] == '0' ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const Int32 copy = std::stoi(digits);
    return copy >= 2 && candidate == CopyName(name, copy);
}

CompositeTarget AttributeImporter::ChooseTarget(const std::string& name, const std::string& uuidText) {
    const auto composites = ReadProjectComposites();
    if (!composites)
        return {0, name}; // nothing known: created under its name, or not at all
    // The product's own composite: under its name, else under a copy's name.
    const ProjectComposite* own = nullptr;
    for (const auto& c : *composites)
        if (c.uuid == uuidText && (c.name == name || (own == nullptr && IsCopyName(c.name, name))))
            own = &c;
    if (own != nullptr)
        return {own->index, own->name};
    std::unordered_set<std::string> taken;
    for (const auto& c : *composites) {
        // The add-on's own composite of that name takes the new product.
        if (c.name == name && !c.uuid.empty())
            return {c.index, c.name};
        taken.insert(c.name);
    }
    // The user's own composite of that name is left alone: the product gets a copy's name, the
    // first free one.
    if (taken.count(name) == 0)
        return {0, name};
    Int32 copy = 2;
    while (taken.count(CopyName(name, copy)) > 0)
        ++copy;
    return {0, CopyName(name, copy)};
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
            return;                 // nothing is created
        TaggedMaterialCount tagged; // one count for every layer
        for (Int16 i = 0; i < n; ++i) {
            const CompositeLayer& layer = data.layers[size_t(i)];
            MaterialData material = layer.material;
            const Int32 index = CreateBuildingMaterial(material, tagged);
            skins.As<API_CompositeSkin>()[i] = API_CompositeSkin{index, 1, 1, layer.thickness};
        }

        HostHandle lines((Int64(n) + 1) * Int64(sizeof(API_CompositeLine)));
        if (!lines)
            return; // the building materials stay
        for (Int32 i = 0; i <= n; ++i) {
            lines.As<API_CompositeLine>()[i].lineType = 1;
            lines.As<API_CompositeLine>()[i].linePen = 1;
        }

        const CompositeTarget target =
            ChooseTarget(CutUtf8(HostNameText(data.name), MaxAttributeNameBytes), data.uuidText);
        composite.header.typeID = AttrTypeComposite;
        composite.header.index = target.index;
        composite.header.structureKind = data.structureKind;
        CHTruncate(target.name.c_str(), composite.header.name, Int32(sizeof composite.header.name), CC_UTF8);
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
        // The add-on's own composite keeps its name, identity and user data; it takes the layers,
        // the kind and the thickness.
        const GSErrCode made = target.index != 0
                                   ? HostApi::ModifyAttributeWithDefinitions(&composite, &definitions)
                                   : HostApi::CreateAttributeWithDefinitions(&composite, &definitions);
        if (made != NoError) {
            // Tagged by name, a composite that kept its old layers (perhaps the user's own) would
            // be credited with the product's use.
            DBPrintf("Quorvel: composite \"%s\" was neither created nor modified (0x%08X); not tagged\n",
                     target.name.c_str(), unsigned(made));
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
