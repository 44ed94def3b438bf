#include "export/ProjectInfoExporter.h"

#include "export/JsonText.h"
#include "export/ProductUsage.h"
#include "export/UsageScan.h"

#include <map>
#include <string>

namespace {

nlohmann::json UsageObject(const ProductUsage& usage) {
    return {{"NumOfElements", usage.NumOfElements},
            {"SuplierData", usage.SuplierData},
            {"TotalArea", usage.TotalArea},
            {"Uuid", usage.Uuid}};
}

} // namespace

nlohmann::json ProjectInfoExporter::BuildProjectInfo() {
    lastOverview = BuildOverview();
    nlohmann::json info;
    info["Overview"] = lastOverview;

    // One walk over the elements serves the materials and the composites alike, so both are
    // found before it; library parts take their use counts from the host.
    const std::vector<TaggedItem> materials = FindTaggedMaterials();
    const std::vector<TaggedItem> composites = FindTaggedComposites();
    UsageScan scan;
    Track(scan, materials);
    Track(scan, composites);
    std::map<std::string, ProductUsageList> lists;
    lists["Materials"] = UsageOf(scan, materials);
    lists["Types"] = UsageOf(scan, composites);
    lists["Families"] = ListTaggedLibraryParts();

    info["ImportedData"] = {{"Materials", nlohmann::json::array()},
                            {"Types", nlohmann::json::array()},
                            {"Families", nlohmann::json::array()}};
    for (const auto& [category, list] : lists)
        for (const ProductUsage& usage : list)
            info["ImportedData"][category].push_back(UsageObject(usage));
    return info;
}

GS::UniString GetProjectInfoText() {
    ProjectInfoExporter exporter;
    return GS::UniString(SerializeCompact(exporter.BuildProjectInfo()), CC_Default);
}
