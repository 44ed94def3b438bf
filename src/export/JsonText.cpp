#include "export/JsonText.h"

std::string SerializeCompact(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

nlohmann::json ObjectOf(std::initializer_list<std::pair<const char*, nlohmann::json>> members) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [name, value] : members)
        object[name] = value;
    return object;
}
