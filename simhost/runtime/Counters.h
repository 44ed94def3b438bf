#pragma once

#include "runtime/OperationName.h"

#include <map>
#include <string>

namespace simhost {

// Per-operation call counters since the session started or the last reset.
class Counters {
public:
    void Count(const OperationName& name) { ++counts[name]; }
    UInt64 Of(const OperationName& name) const;
    UInt64 Of(const std::string& name) const;
    void Reset() { counts.clear(); }
    const std::map<OperationName, UInt64>& All() const { return counts; }

private:
    std::map<OperationName, UInt64> counts;
};

} // namespace simhost
