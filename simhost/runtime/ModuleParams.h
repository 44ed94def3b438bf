#pragma once

#include "api/HostApiRecords.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace simhost {

// One parameter as the host keeps it.
struct ModuleParameter {
    std::string name;
    Int32 type = ModulParamNone;
    Int32 intValue = 0;
    // Owned by the list; its address is what a lookup hands out.
    std::unique_ptr<std::string> stringValue;
};

// A module-command parameter list. Texts handed out by a lookup stay valid as long as the list
// does, also after the parameter's value was changed.
struct ModuleParameterList {
    std::vector<ModuleParameter> parameters; // in the order they were added
    std::vector<std::unique_ptr<std::string>> retired;

    ModuleParameter* Find(const std::string& name);
};

// Every parameter list the host has handed out and not yet disposed of; the handle is the list's
// address, checked against this registry before use.
class ModuleParameterLists {
public:
    API_ModulParamsHandle Create();
    ModuleParameterList* Find(API_ModulParamsHandle handle);
    // False when the handle names no live list.
    bool Dispose(API_ModulParamsHandle handle);
    size_t LiveCount() const { return lists.size(); }

private:
    std::map<API_ModulParamsHandle, std::unique_ptr<ModuleParameterList>> lists;
};

} // namespace simhost
