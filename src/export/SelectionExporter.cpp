#include "export/SelectionExporter.h"

#include "export/JsonText.h"
#include "gs/MemoryManager.h"
#include "host/HostApi.h"

namespace {

// Disposes of the marquee handle GetSelection leaves in the summary, on every path.
class MarqueeRelease {
public:
    explicit MarqueeRelease(API_SelectionInfo& info) : info(info) {}
    ~MarqueeRelease() { BMKillHandle(&info.marquee); }
    MarqueeRelease(const MarqueeRelease&) = delete;
    MarqueeRelease& operator=(const MarqueeRelease&) = delete;

private:
    API_SelectionInfo& info;
};

} // namespace

nlohmann::json SelectionEntry::ToJson() const {
    nlohmann::json object = ObjectOf({{"url", url.ToCStr(CC_UTF8)},
                                      {"full_title", full_title.ToCStr(CC_UTF8)},
                                      {"title", title.ToCStr(CC_UTF8)},
                                      {"type", type.ToCStr(CC_UTF8)},
                                      {"thumbnail", thumbnail.ToCStr(CC_UTF8)}});
    if (type == GS::UniString("Wall"))
        object["thumbnail"] = "/images/icons/icon-wall-color.svg";
    else if (type == GS::UniString("Slab"))
        object["thumbnail"] = "/images/icons/icon-ceiling-color.svg";
    else if (type == GS::UniString("Roof"))
        object["thumbnail"] = "/images/icons/icon-roof-color.svg";
    return object;
}

SelectionEntry DescribeElement(const API_Guid& guid) {
    SelectionEntry entry;
    API_ElemHead header{};
    header.guid = guid;
    // The look-ups are not examined: a failed one leaves its field as it was. Without the header
    // there is no type to name.
    if (HostApi::GetElementHeader(&header, 0) == NoError)
        (void)HostApi::GetElementTypeName(header.typeID, &entry.type);
    API_Guid element = guid;
    (void)HostApi::GetElementIdentifyingText(&element, &entry.full_title);
    (void)HostApi::GetElementIdentifyingText(&element, &entry.title);
    return entry;
}

nlohmann::json SelectionExporter::BuildSelection() {
    nlohmann::json selection = nlohmann::json::array();

    API_SelectionInfo info{};
    GS::Array<API_Neig> selected;
    {
        MarqueeRelease release(info);
        // Not examined: a selection that cannot be read leaves the list empty.
        (void)HostApi::GetSelection(&info, &selected, false, false, 0);
    }

    // Each element starts from the initial texts: a failed look-up must not show the previous
    // element's.
    for (const API_Neig& neig : selected)
        selection.push_back(DescribeElement(neig.guid).ToJson());
    return selection;
}

GS::UniString GetSelectionText() {
    SelectionExporter exporter;
    return GS::UniString(SerializeCompact(exporter.BuildSelection()), CC_UTF8);
}
