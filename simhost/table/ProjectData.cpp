// The project's own data: autotexts, project information, application information, reports.
#include "table/Operations.h"

#include <algorithm>
#include <cstring>

namespace simhost {

namespace {

GSErrCode ListAutotexts(Host& host, const RequestArgs& args) {
    auto* list = static_cast<API_AutotextList*>(args.p[0]);
    if (list == nullptr)
        return ErrBadParameter;
    list->Clear();
    auto add = [list](const Autotext& a) {
        list->Push(API_AutotextEntry{GS::UniString(a.name), GS::UniString(a.Key()), GS::UniString(a.value)});
    };
    for (const auto& a : host.project.BuiltInAutotexts())
        add(a);
    for (const auto& a : host.project.autotexts)
        add(a);
    return NoError;
}

GSErrCode CreateAutotext(Host& host, const RequestArgs& args) {
    const auto* identity = static_cast<const API_Guid*>(args.p[0]);
    const auto* name = static_cast<const char*>(args.p[1]);
    if (identity == nullptr || identity->IsNull() || name == nullptr || *name == 0)
        return ErrBadParameter;
    for (const auto& a : host.project.autotexts)
        if (a.identity == *identity)
            return ErrNameExists;
    host.project.autotexts.push_back({name, *identity, ""});
    return NoError;
}

GSErrCode SetAutotext(Host& host, const RequestArgs& args) {
    const auto* key = static_cast<const GS::UniString*>(args.p[0]);
    const auto* value = static_cast<const GS::UniString*>(args.p[1]);
    if (key == nullptr || value == nullptr)
        return ErrBadParameter;
    std::string wanted = key->ToCStr();
    for (auto& a : host.project.autotexts) {
        if (a.Key() == wanted) {
            a.value = value->ToCStr();
            return NoError;
        }
    }
    return ErrNotFound;
}

void PutText(char (&field)[ProjectInfoFieldSize], const std::string& text) {
    size_t n = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), n);
    field[n] = 0;
}

GSErrCode GetProjectInfo(Host& host, const RequestArgs& args) {
    auto* record = static_cast<API_ProjectInfoRecord*>(args.p[0]);
    if (record == nullptr)
        return ErrBadParameter;
    const ProjectInfo& info = host.project.info;
    PutText(record->name, info.name);
    PutText(record->author, info.author);
    PutText(record->organization, info.organization);
    PutText(record->number, info.number);
    PutText(record->status, info.status);
    PutText(record->issueDate, info.issueDate);
    PutText(record->address, info.address);
    return NoError;
}

GSErrCode GetApplicationInfo(Host& host, const RequestArgs& args) {
    auto* info = static_cast<API_ApplicationInfo*>(args.p[0]);
    if (info == nullptr || info->recordVersion != 1)
        return ErrBadParameter;
    info->mainVersion = 23;
    info->releaseVersion = 0;
    info->buildNumber = 3000;
    info->language = GS::UniString(host.language);
    return NoError;
}

const bool projectDataRegistered =
    RegisterRequest(HostOp::UtilityRequest, Selector::GATS, ListAutotexts) &&
    RegisterRequest(HostOp::UtilityRequest, Selector::CAAT, CreateAutotext) &&
    RegisterRequest(HostOp::UtilityRequest, Selector::SAAT, SetAutotext) &&
    RegisterRequest(HostOp::EnvironmentRequest, Selector::GPRN, GetProjectInfo) &&
    RegisterRequest(HostOp::EnvironmentRequest, Selector::APPL, GetApplicationInfo);

} // namespace

void ops::WriteReport(API_AddOnHandle, const char* message, bool /*withDialog*/) {
    CurrentHost().reports.push_back(message ? message : "");
}

} // namespace simhost
