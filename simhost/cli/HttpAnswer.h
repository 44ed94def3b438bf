#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace httplib {
struct Response;
}

namespace simhost {

// The body of an answer that went wrong: {"error": why}.
inline nlohmann::json ErrorAnswer(const std::string& error) {
    return {{"error", error}};
}

// Answers with the status and the JSON body; texts that are not UTF-8 are replaced, not refused.
void SendJson(httplib::Response& response, int status, const nlohmann::json& body);

} // namespace simhost
