#pragma once

#include "export/BaseExporter.h"
#include "gs/UniString.h"

#include <nlohmann/json.hpp>

#include <string>

// Set by the project-event handler when a project was loaded; read and cleared by the overview.
extern bool newProjectLoaded;

// The project's information as the host keeps it, and the project's identity.
class ProjectOverviewExporter : public BaseExporter {
public:
    // Reads the project information and the identity into the fields and answers the overview
    // object: every text or "n\a" when it is empty, and the identity as it is.
    nlohmann::json BuildOverview();

    std::string name;
    std::string author;
    std::string organization;
    std::string number;
    std::string status;
    std::string issue_date;
    std::string address;
    std::string project_guid;
};

// The serialised overview once after each project load; the empty text otherwise.
GS::UniString GetNewlyLoadedProjectOverviewText();
