#include "export/ProjectOverviewExporter.h"

#include "export/JsonText.h"
#include "export/ProjectIdentity.h"
#include "host/HostApi.h"

#include <cstring>

bool newProjectLoaded = false;

namespace {

constexpr const char* Placeholder = "n\\a";

// A field's text up to its NUL, never beyond the field itself.
std::string FieldText(const char (&field)[ProjectInfoFieldSize]) {
    return std::string(field, strnlen(field, sizeof field));
}

const char* OrPlaceholder(const std::string& text) {
    return text.empty() ? Placeholder : text.c_str();
}

} // namespace

nlohmann::json ProjectOverviewExporter::BuildOverview() {
    API_ProjectInfoRecord record;
    std::memset(&record, 0, sizeof record);
    // Not examined: a failed read leaves the record zero-filled, and every text its placeholder.
    (void)HostApi::GetProjectInfo(&record);

    name = FieldText(record.name);
    author = FieldText(record.author);
    organization = FieldText(record.organization);
    number = FieldText(record.number);
    status = FieldText(record.status);
    issue_date = FieldText(record.issueDate);
    address = FieldText(record.address);
    project_guid = GetProjectGuid();

    return ObjectOf({{"address", OrPlaceholder(address)},
                     {"author", OrPlaceholder(author)},
                     {"issue_date", OrPlaceholder(issue_date)},
                     {"name", OrPlaceholder(name)},
                     {"number", OrPlaceholder(number)},
                     {"organization", OrPlaceholder(organization)},
                     {"project_guid", project_guid},
                     {"status", OrPlaceholder(status)}});
}

GS::UniString GetNewlyLoadedProjectOverviewText() {
    ProjectOverviewExporter exporter;
    if (!newProjectLoaded)
        return GS::UniString();
    newProjectLoaded = false;
    nlohmann::json overview = exporter.BuildOverview();
    return GS::UniString(SerializeCompact(overview), CC_UTF8);
}
