// Module commands: parameter lists and posting a command to an add-on's event-loop handler.
#include "gs/Resources.h"
#include "table/Operations.h"

namespace simhost {

namespace {

// An add-on names itself by the identifier pair it keeps as this resource.
constexpr GSResID IdentifierPairResource = 32500;

const std::optional<API_ModulID>& LearnAddOnIdentifier(Host& host) {
    UInt32 developer = 0, local = 0;
    if (!host.addOnIdentifier &&
        RSGetIdentifierPair(IdentifierPairResource, host.addOn.resourceModule, &developer, &local))
        host.addOnIdentifier = API_ModulID{developer, local};
    return host.addOnIdentifier;
}

bool IsPosted(const Host& host, API_ModulParamsHandle params) {
    for (const auto& c : host.posted)
        if (c.params == params)
            return true;
    return false;
}

bool IsValueType(Int32 type) {
    return type == ModulParamString || type == ModulParamInteger;
}

} // namespace

GSErrCode requests::CreateModulParams(Host& host, API_ModulParamsHandle* out) {
    if (out == nullptr)
        return ErrBadParameter;
    *out = host.paramLists.Create();
    return NoError;
}

GSErrCode requests::DisposeModulParams(Host& host, API_ModulParamsHandle* list) {
    if (list == nullptr)
        return ErrBadParameter;
    if (IsPosted(host, *list))
        return ErrBadHandle; // posted: the host's now
    if (!host.paramLists.Dispose(*list))
        return ErrBadHandle;
    *list = nullptr;
    return NoError;
}

GSErrCode requests::GetModulParam(Host& host, API_ModulParamsHandle handle, API_ModulParam* record) {
    ModuleParameterList* list = host.paramLists.Find(handle);
    if (list == nullptr)
        return ErrBadHandle;
    if (record == nullptr || record->name == nullptr)
        return ErrBadParameter;
    const ModuleParameter* p = list->Find(record->name);
    if (p == nullptr)
        return ErrNotFound;
    record->type = p->type;
    record->intValue = p->type == ModulParamInteger ? p->intValue : 0;
    record->stringValue = p->type == ModulParamString ? p->stringValue->c_str() : nullptr;
    return NoError;
}

GSErrCode requests::AddModulParam(Host& host, API_ModulParamsHandle handle, const API_ModulParam* record) {
    ModuleParameterList* list = host.paramLists.Find(handle);
    if (list == nullptr)
        return ErrBadHandle;
    if (record == nullptr || record->name == nullptr || *record->name == 0 || !IsValueType(record->type) ||
        (record->type == ModulParamString && record->stringValue == nullptr))
        return ErrBadParameter;
    if (list->Find(record->name) != nullptr)
        return ErrNameExists;
    ModuleParameter p;
    p.name = record->name;
    p.type = record->type;
    if (p.type == ModulParamInteger)
        p.intValue = record->intValue;
    else
        p.stringValue = std::make_unique<std::string>(record->stringValue);
    list->parameters.push_back(std::move(p));
    return NoError;
}

GSErrCode requests::ChangeModulParam(Host& host, API_ModulParamsHandle handle, const API_ModulParam* record) {
    ModuleParameterList* list = host.paramLists.Find(handle);
    if (list == nullptr)
        return ErrBadHandle;
    if (record == nullptr || record->name == nullptr)
        return ErrBadParameter;
    ModuleParameter* p = list->Find(record->name);
    if (p == nullptr)
        return ErrNotFound;
    if (record->type != p->type || (p->type == ModulParamString && record->stringValue == nullptr))
        return ErrBadParameter;
    if (p->type == ModulParamInteger) {
        p->intValue = record->intValue;
    } else {
        // The caller may be changing the value to a text the host handed out: copy it first,
        // and keep the old text alive for whoever still holds it.
        auto text = std::make_unique<std::string>(record->stringValue);
        list->retired.push_back(std::move(p->stringValue));
        p->stringValue = std::move(text);
    }
    return NoError;
}

namespace {

GSErrCode Post(Host& host, const API_ModulID* target, GSType command, Int32 version,
               API_ModulParamsHandle params) {
    if (target == nullptr)
        return ErrBadParameter;
    const auto& identifier = LearnAddOnIdentifier(host);
    if (!identifier || identifier->developerID != target->developerID ||
        identifier->localID != target->localID)
        return ErrNotFound;
    if (host.addOn.FindCommand(command, version) == nullptr)
        return ErrNotFound;
    host.posted.push_back({*target, command, version, params});
    return NoError;
}

} // namespace

void TakeRefusedPost(Host& host, API_ModulParamsHandle params) {
    if (params != nullptr && !IsPosted(host, params))
        (void)host.paramLists.Dispose(params); // false for a handle that names no list: nothing to take
}

GSErrCode ops::PostModuleCommand(API_AddOnHandle, const API_ModulID* target, GSType command, Int32 version,
                                 API_ModulParamsHandle params, bool /*silent*/, void* /*reserved*/) {
    Host& host = CurrentHost();
    if (params != nullptr) {
        if (host.paramLists.Find(params) == nullptr)
            return ErrBadHandle;
        if (IsPosted(host, params))
            return ErrBadParameter; // one list cannot travel with two commands
    }
    const GSErrCode code = Post(host, target, command, version, params);
    if (code != NoError)
        TakeRefusedPost(host, params);
    return code;
}

} // namespace simhost
