#include "cli/HttpAnswer.h"

#include <httplib.h>

namespace simhost {

void SendJson(httplib::Response& response, int status, const nlohmann::json& body) {
    response.status = status;
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                         "application/json");
}

} // namespace simhost
