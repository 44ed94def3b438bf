#include "import/Classification.h"

#include "gs/Time.h"
#include "host/HostApi.h"

namespace {
constexpr const char* SystemName = "Quorvel";
constexpr const char* SystemVersion = "v1.0";
constexpr const char* ItemId = "Quorvel Materials";
} // namespace

API_Guid EnsureClassificationSystem() {
    API_ClassificationSystem system{};
    system.name = GS::UniString(SystemName);
    system.source = GS::UniString(SystemName);
    system.editionVersion = GS::UniString(SystemVersion);
    GSTimeRecord now{};
    TIGetTimeRecord(0, &now, TI_UniversalTime);
    system.editionDate = {now.year, now.month, now.day};
    // The system usually exists already; the look-up by name and version then finds it.
    if (HostApi::CreateClassificationSystem(&system) != NoError)
        (void)HostApi::GetClassificationSystem(&system); // a failure leaves the null GUID
    return system.guid;
}

void CollectItemDescendants(const API_ClassificationItem& item,
                            std::vector<API_ClassificationItem>& descendants) {
    GS::Array<API_ClassificationItem> children;
    (void)HostApi::GetClassificationItemChildren(&item.guid, &children); // none on failure
    for (const auto& child : children) {
        descendants.push_back(child);
        CollectItemDescendants(child, descendants);
    }
}

API_Guid EnsureClassificationItem(API_Guid system) {
    if (system.IsNull())
        system = EnsureClassificationSystem();
    API_ClassificationItem item{};
    item.id = GS::UniString(ItemId);
    const GS::UniString wanted(ItemId);

    GS::Array<API_ClassificationItem> roots;
    (void)HostApi::GetClassificationSystemRootItems(&system, &roots); // none on failure
    std::vector<API_ClassificationItem> descendants;
    for (const auto& root : roots) {
        if (root.id == wanted)
            return root.guid;
        CollectItemDescendants(root, descendants);
    }
    for (const auto& d : descendants)
        if (d.id == wanted)
            return d.guid;

    const API_Guid none;
    (void)HostApi::CreateClassificationItem(&item, &system, &none, &none); // a failure leaves the null GUID
    return item.guid;
}
