#include "cli/MainThreadHandOff.h"

#include "cli/HttpAnswer.h"

#include <httplib.h>

namespace simhost {

void AnswerFromMainThread(MainThreadQueue& queue, httplib::Response& response,
                          const std::function<HostAnswer()>& work) {
    HostAnswer answer{500, ErrorAnswer("no answer")};
    bool ran = false;
    try {
        ran = queue.Run([&] { answer = work(); });
    } catch (const std::exception& e) {
        answer = {500, ErrorAnswer(e.what())};
        ran = true;
    }
    if (!ran)
        answer = {503, ErrorAnswer("the host is shutting down")};
    SendJson(response, answer.first, answer.second);
}

} // namespace simhost
