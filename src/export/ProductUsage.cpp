#include "export/ProductUsage.h"

#include "gs/Debug.h"
#include "host/HostApi.h"
#include "host/HostHandle.h"
#include "host/ProductTag.h"
#include "import/LibraryParameters.h"
#include "import/PropertySets.h"

#include <functional>

namespace {

// Calls `found` with the index and the identifier of every tagged building material record, in
// the order the records are listed: one per material and non-empty "QV_UUID" value.
void ForEachTaggedMaterial(const std::function<void(Int32 index, std::string uuid)>& found) {
    Int32 count = 0;
    if (HostApi::GetAttributeCount(AttrTypeBuildingMaterial, &count) != NoError)
        return;
    const GS::UniString tagName(ProductTagName);
    for (Int32 i = 1; i <= count; ++i) {
        API_Attribute attribute{};
        attribute.header.typeID = AttrTypeBuildingMaterial;
        attribute.header.index = i;
        if (HostApi::GetAttribute(&attribute) != NoError)
            continue;
        GS::Array<API_PropertyDefinition> definitions;
        if (HostApi::GetAttributePropertyDefinitions(&attribute.header, PropertyFilterAvailableOrValued,
                                                     &definitions) != NoError)
            continue;
        for (const auto& definition : definitions) {
            if (!(definition.name == tagName))
                continue;
            API_Property property{};
            if (HostApi::GetAttributePropertyValue(&attribute.header, &definition.guid, &property) != NoError)
                continue;
            std::string uuid = property.value.singleVariant.variant.uniStringValue.ToCStr();
            if (!uuid.empty())
                found(i, std::move(uuid));
        }
    }
}

} // namespace

std::vector<TaggedItem> FindTaggedMaterials() {
    std::vector<TaggedItem> items;
    ForEachTaggedMaterial([&](Int32 index, std::string uuid) {
        items.push_back({AttrTypeBuildingMaterial, index, std::move(uuid)});
    });
    return items;
}

Int32 CountTaggedMaterials() {
    Int32 records = 0;
    ForEachTaggedMaterial([&](Int32, std::string) { ++records; });
    return records;
}

std::vector<TaggedItem> FindTaggedComposites() {
    std::vector<TaggedItem> items;
    Int32 count = 0;
    if (HostApi::GetAttributeCount(AttrTypeComposite, &count) != NoError)
        return items;
    for (Int32 i = 1; i <= count; ++i) {
        API_Attribute attribute{};
        attribute.header.typeID = AttrTypeComposite;
        attribute.header.index = i;
        if (HostApi::GetAttribute(&attribute) != NoError)
            continue;
        std::string uuid, tagName;
        {
            HostHandle block(ProductTagBlockSize);
            if (!block)
                continue;
            API_AttributeUserData userData{};
            userData.dataHdl = block.Get();
            if (HostApi::GetAttributeUserData(&attribute.header, &userData) != NoError)
                continue;
            std::optional<ProductTagTexts> tag = ReadProductTag(block.Get());
            if (!tag)
                continue; // user data, but no tag
            uuid = std::move(tag->uuid);
            tagName = std::move(tag->name);
        } // the block is released
        DBPrintf("%s\n", tagName.c_str());
        DBPrintf("%s\n", uuid.c_str());
        if (uuid.empty())
            continue;
        DBPrintf("Type - %i\n", int(i));
        items.push_back({AttrTypeComposite, i, std::move(uuid)});
    }
    return items;
}

void Track(UsageScan& scan, const std::vector<TaggedItem>& items) {
    for (const auto& item : items)
        scan.Track(item.type, item.index);
}

ProductUsageList UsageOf(UsageScan& scan, const std::vector<TaggedItem>& items) {
    ProductUsageList list;
    for (const auto& item : items) {
        ProductUsage usage;
        usage.Uuid = item.uuid;
        usage.TotalArea = scan.SumAttributeArea(item.type, item.index);
        usage.NumOfElements = scan.CountAttributeUses(item.type, item.index);
        usage.SuplierData = false;
        list.push_back(std::move(usage));
    }
    return list;
}

namespace {

ProductUsageList ListWithOwnScan(const std::vector<TaggedItem>& items) {
    UsageScan scan;
    Track(scan, items);
    return UsageOf(scan, items);
}

} // namespace

ProductUsageList ListTaggedMaterials() {
    return ListWithOwnScan(FindTaggedMaterials());
}

ProductUsageList ListTaggedComposites() {
    return ListWithOwnScan(FindTaggedComposites());
}

std::vector<TaggedItem> FindTaggedLibraryParts() {
    std::vector<TaggedItem> items;
    Int32 count = 0;
    if (HostApi::GetLibraryPartCount(&count) != NoError)
        return items;
    const std::string tagName = std::string(ParameterNamePrefix) + ProductTagName;
    for (Int32 i = 1; i <= count; ++i) {
        API_LibPart part{};
        part.index = i;
        if (HostApi::GetLibraryPart(&part) != NoError)
            continue;
        API_LibPartSection header{};
        header.sectType = SectionParameters;
        HostHandle section; // only whether the part has parameters counts
        if (HostApi::GetLibraryPartSection(i, &header, section.Out(), nullptr, nullptr) != NoError)
            continue;
        HostParameterList parameters;
        if (parameters.Read(i) != NoError)
            continue;
        for (Int32 n = 0; n < parameters.Count(); ++n) {
            if (ParameterName(parameters[n]) != tagName)
                continue;
            std::string uuid = ParameterText(parameters[n]);
            if (uuid.empty())
                continue; // the tag set's title record
            items.push_back({TaggedLibraryPart, i, std::move(uuid)});
        }
    }
    return items;
}

ProductUsageList ListTaggedLibraryParts() {
    ProductUsageList list;
    for (const auto& item : FindTaggedLibraryParts()) {
        ProductUsage usage;
        usage.Uuid = item.uuid;
        Int32 uses = 0;
        usage.NumOfElements =
            HostApi::GetLibraryPartUseCount(item.index, &uses) == NoError && uses > 0 ? uses : 0;
        usage.TotalArea = 0.0;
        usage.SuplierData = false;
        list.push_back(std::move(usage));
    }
    return list;
}
