#pragma once

#include "export/ProductUsage.h"
#include "export/ProjectOverviewExporter.h"
#include "gs/UniString.h"

#include <nlohmann/json.hpp>

// The export kind the page asks for; any other kind is answered with false.
inline constexpr const char* ProjectInfoExportKind = "PROJECT_INFO";

// The project overview together with every imported product the project holds and its usage.
class ProjectInfoExporter : public ProjectOverviewExporter {
public:
    // {"ImportedData": {"Families": [...], "Materials": [...], "Types": [...]}, "Overview": {...}}
    nlohmann::json BuildProjectInfo();

    nlohmann::json lastOverview;
};

// A list of ImportedData as the page reads it: one object per record, in the list's order.
nlohmann::json UsageListJson(const ProductUsageList& list);

// The serialised project information.
GS::UniString GetProjectInfoText();
