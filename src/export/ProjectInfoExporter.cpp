#include "export/ProjectInfoExporter.h"

#include "export/JsonText.h"
#include "export/ProductUsage.h"
#include "export/UsageScan.h"

#include <string>

nlohmann::json UsageListJson(const ProductUsageList& list) {
    nlohmann::json array = nlohmann::json::array();
    for (const ProductUsage& usage : list)
        array.push_back(ObjectOf({{"NumOfElements", usage.NumOfElements},
                                  {"SuplierData", usage.SuplierData},
                                  {"TotalArea", usage.TotalArea},
                                  {"Uuid", usage.Uuid}}));
    return array;
}

nlohmann::json ProjectInfoExporter::BuildProjectInfo() {
    lastOverview = BuildOverview();
    // An object from the start: the library's conversion of null into an object cannot be undone
    // when memory runs out halfway.
    nlohmann::json info = nlohmann::json::object();
    info["Overview"] = lastOverview;

    // One walk over the elements serves the materials and the composites alike, so both are
    // found before it; library parts take their use counts from the host.
    const std::vector<TaggedItem> materials = FindTaggedMaterials();
    const std::vector<TaggedItem> composites = FindTaggedComposites();
    UsageScan scan;
    Track(scan, materials);
    Track(scan, composites);
    info["ImportedData"] = ObjectOf({{"Materials", UsageListJson(UsageOf(scan, materials))},
                                     {"Types", UsageListJson(UsageOf(scan, composites))},
                                     {"Families", UsageListJson(ListTaggedLibraryParts())}});
    return info;
}

GS::UniString GetProjectInfoText() {
    ProjectInfoExporter exporter;
    return GS::UniString(SerializeCompact(exporter.BuildProjectInfo()), CC_UTF8);
}
