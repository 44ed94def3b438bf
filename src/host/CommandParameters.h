#pragma once

#include "api/HostApiRecords.h"

#include <optional>

// One host module-command parameter list. A wrapper that owns its list disposes of it when it is
// dropped; one that does not leaves that to whoever does (the host, once a list is posted).
class CommandParameters {
public:
    // A new, empty list.
    explicit CommandParameters(bool owns);
    // A list received from the host; never disposed of here.
    explicit CommandParameters(API_ModulParamsHandle handle);
    ~CommandParameters();
    CommandParameters(const CommandParameters&) = delete;
    CommandParameters& operator=(const CommandParameters&) = delete;

    API_ModulParamsHandle Handle() const { return handle; }

    // The text of a string parameter; it belongs to the host and lives as long as the list.
    std::optional<const char*> GetString(const char* name) const;
    std::optional<Int32> GetInteger(const char* name) const;
    // Add the parameter, or change its value when it has the same type; false for another type
    // or when the host refuses.
    bool SetString(const char* name, const char* text);
    bool SetInteger(const char* name, Int32 value);

private:
    std::optional<API_ModulParam> Find(const char* name) const;
    bool Set(const char* name, Int32 type, Int32 intValue, const char* text);

    API_ModulParamsHandle handle = nullptr;
    bool owns = false;
};
