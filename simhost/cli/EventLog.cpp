#include "cli/EventLog.h"

namespace simhost {

namespace {
constexpr size_t LogLength = 200;
}

void EventLog::Add(const std::string& kind, const std::string& text, bool ok) {
    if (!entries.empty() && entries.back()["kind"] == kind && entries.back()["text"] == text &&
        entries.back()["ok"] == ok) {
        entries.back()["count"] = entries.back()["count"].get<int>() + 1;
        entries.back()["seq"] = next++;
        return;
    }
    entries.push_back({{"seq", next++}, {"kind", kind}, {"text", text}, {"ok", ok}, {"count", 1}});
    if (entries.size() > LogLength)
        entries.pop_front();
}

std::string Shortened(const std::string& text, size_t length) {
    return text.size() <= length ? text : text.substr(0, length) + "…";
}

nlohmann::json EventLog::ToJson() const {
    return nlohmann::json(entries);
}

} // namespace simhost
