#include "runtime/Counters.h"

namespace simhost {

UInt64 Counters::Of(const OperationName& name) const {
    auto it = counts.find(name);
    return it == counts.end() ? 0 : it->second;
}

UInt64 Counters::Of(const std::string& name) const {
    auto parsed = ParseOperationName(name);
    return parsed ? Of(*parsed) : 0;
}

} // namespace simhost
