#pragma once

#include "runtime/Host.h"

#include <optional>
#include <vector>

namespace simhost {

struct DeliveredCommand {
    GSType code = 0;
    Int32 version = 0;
    // What the handler answered; nothing when no handler was installed by then.
    std::optional<GSErrCode> result;
};

// One turn of the event loop: the commands posted before it started, in posting order, each
// handed to its handler and its parameter list disposed of afterwards. Commands posted by a
// handler wait for the next turn.
std::vector<DeliveredCommand> DeliverPostedCommands(Host& host);

// Drops the commands still waiting (the add-on is going away) and disposes of their lists.
void DiscardPostedCommands(Host& host);

} // namespace simhost
