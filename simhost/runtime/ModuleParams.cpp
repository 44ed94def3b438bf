#include "runtime/ModuleParams.h"

namespace simhost {

ModuleParameter* ModuleParameterList::Find(const std::string& name) {
    for (auto& p : parameters)
        if (p.name == name)
            return &p;
    return nullptr;
}

API_ModulParamsHandle ModuleParameterLists::Create() {
    auto list = std::make_unique<ModuleParameterList>();
    API_ModulParamsHandle handle = list.get();
    lists.emplace(handle, std::move(list));
    return handle;
}

ModuleParameterList* ModuleParameterLists::Find(API_ModulParamsHandle handle) {
    auto it = lists.find(handle);
    return it == lists.end() ? nullptr : it->second.get();
}

bool ModuleParameterLists::Dispose(API_ModulParamsHandle handle) {
    return lists.erase(handle) != 0;
}

} // namespace simhost
