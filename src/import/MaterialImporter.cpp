#include "import/MaterialImporter.h"

#include "export/ProductUsage.h"
#include "gs/Debug.h"
#include "host/HostApi.h"
#include "import/PropertyDefinitions.h"

#include <cstdio>
#include <map>

namespace {

using nlohmann::json;

using LayerStyleTable = std::map<std::string, LayerStyle>;

const LayerStyleTable& GermanLayerStyles() {
    static const LayerStyleTable table = {
        {"Substrate", {4, 1, 94, 54}},      {"Thermal", {5, 1, 145, 156}},   {"Finish", {8, 1, 0, 160}},
        {"Membrane Layer", {22, 1, 0, 10}}, {"Structure", {74, 94, 0, 174}},
    };
    return table;
}

const LayerStyleTable& InternationalLayerStyles() {
    static const LayerStyleTable table = {
        {"Substrate", {4, 1, 102, 99}},    {"Thermal", {5, 1, 117, 101}},   {"Finish", {8, 1, 0, 60}},
        {"Membrane Layer", {22, 1, 0, 3}}, {"Structure", {17, 82, 0, 108}},
    };
    return table;
}

constexpr Int32 DefaultUserPriority = 8;

} // namespace

std::string MaterialIdentifier(Int32 sequence) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", int(sequence));
    return std::string("QV_") + digits;
}

LayerStyle MaterialImporter::LookUpLayerStyle(const std::string& layerStyle) {
    API_ApplicationInfo info{};
    info.recordVersion = 1;
    // A failed request leaves the language empty: the international table.
    (void)HostApi::GetApplicationInfo(&info);
    const LayerStyleTable& table =
        info.language.ToCStr() == "GER" ? GermanLayerStyles() : InternationalLayerStyles();
    auto row = table.find(layerStyle);
    return row != table.end() ? row->second : LayerStyle{};
}

MaterialData MaterialImporter::ReadMaterial(json product) {
    MaterialData data;
    const json& layerStyle = product["layerstyle"];
    data.layerStyle = layerStyle.is_null() ? std::string() : layerStyle.get<std::string>();
    const LayerStyle cut = LookUpLayerStyle(data.layerStyle);
    data.fillIndex = cut.fillIndex;
    data.fillPen = cut.fillPen;
    data.fillBackgroundPen = cut.fillBackgroundPen;
    data.surfaceIndex = cut.surfaceIndex;
    data.name = product["name"].get<std::string>();
    // Layers of a composite come without uuid: no supplier, no properties, no tag.
    if (product["uuid"].is_null())
        return data;
    data.uuid = product["uuid"].get<std::string>();
    data.supplierName = GS::UniString(product["supplier"]["name"].get<std::string>(), CC_UTF8);
    data.propertySets = ReadPropertySets(product["propertySets"]);
    AddProductTag(data.propertySets, data.uuid);
    return data;
}

Int32 MaterialImporter::CreateBuildingMaterial(MaterialData& data) {
    TaggedMaterialCount tagged;
    return CreateBuildingMaterial(data, tagged);
}

Int32 MaterialImporter::CreateBuildingMaterial(MaterialData& data, TaggedMaterialCount& tagged) {
    // Counted before the new material exists.
    const GS::UniString identifier(MaterialIdentifier(tagged.Get() + 1));
    const GS::UniString description(data.name, CC_UTF8);
    GS::UniString manufacturer = data.supplierName;
    GS::UniString id = identifier;
    GS::UniString text = description;

    API_Attribute attribute{};
    attribute.header.typeID = AttrTypeBuildingMaterial;
    const std::string name = HostNameText(data.name);
    CHTruncate(name.c_str(), attribute.header.name, Int32(sizeof attribute.header.name), CC_UTF8);
    API_BuildingMaterialType& material = attribute.buildingMaterial;
    material.id = &id;
    material.manufacturer = &manufacturer;
    material.description = &text;
    Int32 priority = 0;
    (void)HostApi::UserToEffectivePriority(DefaultUserPriority, &priority); // 0 when the host cannot convert
    material.connPriority = priority;
    material.cutFill = data.fillIndex;
    material.cutFillPen = data.fillPen;
    material.cutFillBackgroundPen = data.fillBackgroundPen;
    material.cutSurface = data.surfaceIndex;
    material.cutReserved = 0;
    material.thermalConductivity = data.thermalConductivity;
    material.density = data.density;
    material.heatCapacity = data.heatCapacity;
    material.showUncutLines = data.showUncutLines;

    const GSErrCode created = HostApi::CreateAttribute(&attribute, nullptr);
    if (created == NoError) {
        data.attributeIndex = attribute.header.index;
    } else if (created == ErrNameExists) {
        (void)HostApi::ModifyAttribute(&attribute, nullptr); // the look-up below tells what exists
        API_Attribute existing{};
        existing.header.typeID = AttrTypeBuildingMaterial;
        CHTruncate(name.c_str(), existing.header.name, Int32(sizeof existing.header.name), CC_UTF8);
        if (HostApi::GetAttribute(&existing) == NoError)
            data.attributeIndex = existing.header.index;
    }
    // The texts the record points to are ours and about to go: the host has copied them.
    material.id = material.manufacturer = material.description = nullptr;
    ApplyProperties(attribute, data.propertySets);
    tagged.Touched(attribute.header); // the material the properties went to
    return data.attributeIndex;
}

void MaterialImporter::Import(json product) {
    MaterialData data = ReadMaterial(std::move(product));
    (void)CreateBuildingMaterial(data); // the index is not passed back to the dispatcher
}
