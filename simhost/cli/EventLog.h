#pragma once

#include "gs/Types.h"

#include <nlohmann/json.hpp>

#include <deque>
#include <string>

namespace simhost {

// What the host pane lists under "what happened": calls, steps, deliveries, saves. Repeats of
// the same entry (a page that polls) are counted on one line; the oldest entries drop out.
class EventLog {
public:
    void Add(const std::string& kind, const std::string& text, bool ok);
    nlohmann::json ToJson() const;

private:
    std::deque<nlohmann::json> entries;
    UInt64 next = 1;
};

// A text as the log shows it: its first `length` bytes, and an ellipsis when it is longer.
std::string Shortened(const std::string& text, size_t length = 160);

} // namespace simhost
