#pragma once

#include "runtime/MainThread.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <utility>

namespace httplib {
struct Response;
}

namespace simhost {

// What a piece of the host's work answers the page: an HTTP status and a JSON body.
using HostAnswer = std::pair<int, nlohmann::json>;

// From a server thread: runs `work` on the main thread and sends what it answers; 500 with the
// message of what it throws, 503 when the host shuts down before its turn.
void AnswerFromMainThread(MainThreadQueue& queue, httplib::Response& response,
                          const std::function<HostAnswer()>& work);

} // namespace simhost
