#include "host/CommandParameters.h"

#include "host/HostApi.h"

namespace {

API_ModulParam NamedRecord(const char* name, Int32 type) {
    API_ModulParam record{};
    record.name = name;
    record.type = type;
    return record;
}

} // namespace

CommandParameters::CommandParameters(bool owns) : owns(owns) {
    // When the host cannot make a list the handle stays null, and every later call is refused.
    (void)HostApi::CreateModulParams(&handle);
}

CommandParameters::CommandParameters(API_ModulParamsHandle handle) : handle(handle), owns(false) {}

CommandParameters::~CommandParameters() {
    if (owns && handle != nullptr)
        (void)HostApi::DisposeModulParams(&handle); // a destructor cannot answer a failure
}

std::optional<API_ModulParam> CommandParameters::Find(const char* name) const {
    API_ModulParam record = NamedRecord(name, ModulParamNone);
    if (HostApi::GetModulParam(handle, &record) != NoError)
        return std::nullopt;
    return record;
}

std::optional<const char*> CommandParameters::GetString(const char* name) const {
    auto record = Find(name);
    if (!record || record->type != ModulParamString)
        return std::nullopt;
    return record->stringValue;
}

std::optional<Int32> CommandParameters::GetInteger(const char* name) const {
    auto record = Find(name);
    if (!record || record->type != ModulParamInteger)
        return std::nullopt;
    return record->intValue;
}

bool CommandParameters::Set(const char* name, Int32 type, Int32 intValue, const char* text) {
    auto existing = Find(name);
    if (!existing) {
        API_ModulParam record = NamedRecord(name, type);
        record.intValue = intValue;
        record.stringValue = text;
        return HostApi::AddModulParam(handle, &record) == NoError;
    }
    if (existing->type != type)
        return false;
    existing->intValue = intValue;
    existing->stringValue = text;
    return HostApi::ChangeModulParam(handle, &*existing) == NoError;
}

bool CommandParameters::SetString(const char* name, const char* text) {
    return Set(name, ModulParamString, 0, text);
}

bool CommandParameters::SetInteger(const char* name, Int32 value) {
    return Set(name, ModulParamInteger, value, nullptr);
}
