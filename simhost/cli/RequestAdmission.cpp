#include "cli/RequestAdmission.h"

#include "cli/HttpAnswer.h"

#include <httplib.h>

namespace simhost {

bool AdmitRequest(const BridgeGuard& guard, const httplib::Request& request, httplib::Response& response) {
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Cache-Control", "no-store");
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("Content-Security-Policy", "frame-ancestors 'self'");
    auto refuse = [&response](const std::string& why) {
        SendJson(response, 403, ErrorAnswer(why));
        return false;
    };
    if (!guard.IsOwnHost(request.get_header_value("Host")))
        return refuse("refused: the request is not addressed to this server (Host)");
    std::optional<std::string> origin;
    if (request.has_header("Origin"))
        origin = request.get_header_value("Origin");
    if (!guard.IsOwnOrigin(origin))
        return refuse("refused: the request comes from another site (Origin)");
    auto token = BridgeGuard::TokenOfPath(request.path);
    if (!token && request.path.size() > 1 && guard.IsToken(std::string_view(request.path).substr(1))) {
        response.set_redirect(request.path + "/");
        return false;
    }
    if (!token || !guard.IsToken(*token))
        return refuse("refused: open the address simhost serve printed; it carries this run's token");
    return true;
}

} // namespace simhost
