#pragma once

#include "runtime/BridgeGuard.h"

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace simhost {

// Every request to `simhost serve` passes here before its route: the answer gets the headers
// every answer carries; a request not addressed to this server (Host), from another site (Origin)
// or without this run's token in its path is refused (403), and the bare token is redirected to
// its folder. Answers whether the request goes on to its route; otherwise it is answered.
bool AdmitRequest(const BridgeGuard& guard, const httplib::Request& request, httplib::Response& response);

} // namespace simhost
