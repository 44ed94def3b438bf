// The project's own data: autotexts, project information, application information, reports.
#include "table/Operations.h"

#include <algorithm>
#include <cstring>

namespace simhost {

namespace {

void PutText(char (&field)[ProjectInfoFieldSize], const std::string& text) {
    size_t n = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), n);
    field[n] = 0;
}

} // namespace

// Every autotext whatever the filter: the project holds only the kinds the filter can ask for.
GSErrCode requests::GetAutotexts(Host& host, API_AutotextList* list, Int32 /*filter*/) {
    if (list == nullptr)
        return ErrBadParameter;
    list->Clear();
    auto add = [list](const Autotext& a) {
        list->Push(API_AutotextEntry{GS::UniString(a.name, CC_UTF8), GS::UniString(a.Key(), CC_UTF8),
                                     GS::UniString(a.value, CC_UTF8)});
    };
    for (const auto& a : host.project.BuiltInAutotexts())
        add(a);
    for (const auto& [name, value] : host.variance.hostAutotexts)
        list->Push(API_AutotextEntry{GS::UniString(name, CC_UTF8), GS::UniString("host-" + name, CC_UTF8),
                                     GS::UniString(value, CC_UTF8)});
    for (const auto& a : host.project.autotexts)
        add(a);
    return NoError;
}

GSErrCode requests::CreateAutotext(Host& host, const API_Guid* identity, const char* name) {
    if (identity == nullptr || identity->IsNull() || name == nullptr || *name == 0)
        return ErrBadParameter;
    for (const auto& a : host.project.autotexts)
        if (a.identity == *identity)
            return ErrNameExists;
    host.project.autotexts.push_back({name, *identity, ""});
    return NoError;
}

GSErrCode requests::SetAutotextValue(Host& host, const GS::UniString* key, const GS::UniString* value) {
    if (key == nullptr || value == nullptr)
        return ErrBadParameter;
    std::string wanted = key->ToCStr(CC_UTF8);
    for (auto& a : host.project.autotexts) {
        if (a.Key() == wanted) {
            a.value = value->ToCStr(CC_UTF8);
            return NoError;
        }
    }
    return ErrNotFound;
}

GSErrCode requests::GetProjectInfo(Host& host, API_ProjectInfoRecord* record) {
    if (record == nullptr)
        return ErrBadParameter;
    const ProjectInfo& info = host.project.info;
    host.variance.Noise(record, sizeof *record); // the fields after their texts, and the reserved ones
    PutText(record->name, info.name);
    PutText(record->author, info.author);
    PutText(record->organization, info.organization);
    PutText(record->number, info.number);
    PutText(record->status, info.status);
    PutText(record->issueDate, info.issueDate);
    PutText(record->address, info.address);
    return NoError;
}

GSErrCode requests::GetApplicationInfo(Host& host, API_ApplicationInfo* info) {
    if (info == nullptr || info->recordVersion != 1)
        return ErrBadParameter;
    info->mainVersion = 23;
    info->releaseVersion = 0;
    info->buildNumber = 3000;
    info->language = GS::UniString(host.language, CC_UTF8);
    return NoError;
}

void ops::WriteReport(API_AddOnHandle, const char* message, bool /*withDialog*/) {
    CurrentHost().reports.push_back(message ? message : "");
}

} // namespace simhost
