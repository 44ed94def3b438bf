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

    // One walk over the elements serves the materials and the composites alike; library parts
    // take their use counts from the host.
    UsageScan scan;
    std::map<std::string, ProductUsageList> lists;
    lists["Materials"] = ListTaggedMaterials(scan);
    lists["Types"] = ListTaggedComposites(scan);
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
