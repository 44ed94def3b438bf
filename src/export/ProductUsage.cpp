#include "export/ProductUsage.h"

#include "gs/Debug.h"
#include "host/HostApi.h"
#include "host/HostHandle.h"
#include "host/ProductTag.h"
#include "import/LibraryParameters.h"
#include "import/PropertySets.h"

#include <cstring>
#include <functional>

namespace {

// Calls `found` with the identifier of every tagged record of building material `index`: one per
// non-empty "QV_UUID" value, in the order of the material's definitions.
void ForEachTagOf(Int32 index, const GS::UniString& tagName,
                  const std::function<void(std::string uuid)>& found) {
    API_Attribute attribute{};
    attribute.header.typeID = AttrTypeBuildingMaterial;
    attribute.header.index = index;
    if (HostApi::GetAttribute(&attribute) != NoError)
        return;
    GS::Array<API_PropertyDefinition> definitions;
    if (HostApi::GetAttributePropertyDefinitions(&attribute.header, PropertyFilterAvailableOrValued,
                                                 &definitions) != NoError)
        return;
    for (const auto& definition : definitions) {
        if (!(definition.name == tagName))
            continue;
        API_Property property{};
        if (HostApi::GetAttributePropertyValue(&attribute.header, &definition.guid, &property) != NoError)
            continue;
        std::string uuid = property.value.singleVariant.variant.uniStringValue.ToCStr(CC_UTF8);
        if (!uuid.empty())
            found(std::move(uuid));
    }
}

// Calls `found` with the index and the identifier of every tagged building material record, in
// the order the records are listed.
void ForEachTaggedMaterial(const std::function<void(Int32 index, std::string uuid)>& found) {
    Int32 count = 0;
    if (HostApi::GetAttributeCount(AttrTypeBuildingMaterial, &count) != NoError)
        return;
    const GS::UniString tagName(ProductTagName);
    for (Int32 i = 1; i <= count; ++i)
        ForEachTagOf(i, tagName, [&](std::string uuid) { found(i, std::move(uuid)); });
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

TaggedMaterialCount::TaggedMaterialCount() {
    ForEachTaggedMaterial([&](Int32 index, std::string) {
        ++recordsOf[index];
        ++total;
    });
}

Int32 TaggedMaterialCount::Get() {
    const GS::UniString tagName(ProductTagName);
    for (const API_AttributeHeader& header : touched) {
        // Named by its index, or by its name when the index is 0, as the host finds it.
        Int32 index = header.index;
        if (index == 0) {
            API_Attribute named{};
            named.header.typeID = AttrTypeBuildingMaterial;
            std::memcpy(named.header.name, header.name, sizeof named.header.name);
            if (HostApi::GetAttribute(&named) != NoError)
                continue; // no material of that name: none was changed
            index = named.header.index;
        }
        Int32 records = 0;
        ForEachTagOf(index, tagName, [&](std::string) { ++records; });
        Int32& before = recordsOf[index];
        total += records - before;
        before = records;
    }
    touched.clear();
    return total;
}

void TaggedMaterialCount::Touched(const API_AttributeHeader& header) {
    touched.push_back(header);
}

std::optional<ProductTagTexts> ReadProductTag(const API_AttributeHeader& header) {
    HostHandle block(ProductTagBlockSize);
    if (!block)
        return std::nullopt;
    API_AttributeUserData userData{};
    userData.dataHdl = block.Get();
    if (HostApi::GetAttributeUserData(&header, &userData) != NoError)
        return std::nullopt;
    return ReadProductTag(block.Get());
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
        auto tag = ReadProductTag(attribute.header);
        if (!tag)
            continue;
        DBPrintf("%s\n", tag->name.c_str());
        DBPrintf("%s\n", tag->uuid.c_str());
        if (tag->uuid.empty())
            continue;
        DBPrintf("Type - %i\n", int(i));
        items.push_back({AttrTypeComposite, i, std::move(tag->uuid)});
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
