#include "export/ProductElementsExporter.h"

#include "export/JsonText.h"
#include "export/ProductUsage.h"
#include "export/SelectionExporter.h"
#include "host/HostApi.h"

#include <set>

namespace {

std::vector<TaggedItem> WithUuid(std::vector<TaggedItem> items, const std::string& uuid) {
    std::erase_if(items, [&](const TaggedItem& item) { return item.uuid != uuid; });
    return items;
}

// The objects that place one of the parts, in the host's order of objects; the host names each
// part's objects. A host that cannot name them for a part leaves that part's out.
std::vector<API_Guid> ObjectsPlacing(const std::vector<TaggedItem>& parts) {
    std::set<API_Guid> placing;
    GS::Array<API_Guid> guids;
    for (const auto& part : parts) {
        guids.Clear();
        if (HostApi::ListLibraryPartObjects(part.index, &guids) != NoError)
            continue;
        placing.insert(guids.begin(), guids.end());
    }
    std::vector<API_Guid> objects;
    if (placing.empty())
        return objects;
    guids.Clear();
    const API_Guid none;
    (void)HostApi::ListElementsByType(ElemTypeObject, &guids, 0, 0, &none); // a failed listing lists nothing
    for (const API_Guid& guid : guids)
        if (placing.contains(guid))
            objects.push_back(guid);
    return objects;
}

} // namespace

nlohmann::json ProductElementsExporter::BuildElements(const std::string& uuid) {
    nlohmann::json elements = nlohmann::json::array();
    if (uuid.empty())
        return elements; // no tag holds an empty identifier

    std::vector<API_Guid> users;
    const auto materials = WithUuid(FindTaggedMaterials(), uuid);
    const auto composites = WithUuid(FindTaggedComposites(), uuid);
    if (!materials.empty() || !composites.empty()) {
        UsageScan scan;
        Track(scan, materials);
        Track(scan, composites);
        users = scan.UsersOfTracked();
    }
    const auto parts = WithUuid(FindTaggedLibraryParts(), uuid);
    if (!parts.empty()) {
        const auto objects = ObjectsPlacing(parts);
        users.insert(users.end(), objects.begin(), objects.end());
    }

    for (const API_Guid& guid : users) {
        nlohmann::json element = DescribeElement(guid).ToJson();
        element["guid"] = guid.ToString();
        elements.push_back(std::move(element));
    }
    return elements;
}

GS::UniString GetElementsUsingProductText(const GS::UniString& uuid) {
    ProductElementsExporter exporter;
    return GS::UniString(SerializeCompact(exporter.BuildElements(uuid.ToCStr(CC_UTF8))), CC_UTF8);
}
