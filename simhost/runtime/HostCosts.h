#pragma once

#include "runtime/OperationName.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace simhost {

// Time spent per operation.
using CostAccount = std::map<OperationName, std::chrono::microseconds>;

// The time each call of an operation takes, as a real host's calls take it; none by default. The
// time is spent busy, as a host computing would spend it, and accounted for: a test asks what was
// spent instead of timing the calls, which a busy machine would slow down.
class HostCosts {
public:
    void Set(const OperationName& name, std::chrono::microseconds cost);
    void Spend(const OperationName& name);
    // Reads "OPERATION=MICROSECONDS" (an operation or selector as the counters name it);
    // std::invalid_argument saying what is wrong.
    void Parse(const std::string& text);
    // Every cost set, as Parse reads it.
    std::vector<std::string> Texts() const;

    // What the calls of this host have spent so far.
    const CostAccount& Spent() const { return spent; }
    // What the hosts of this process have spent; a process forked by the validator starts from
    // nothing, so that what it reports back is its own.
    static CostAccount& SpentInProcess();

private:
    std::map<OperationName, std::chrono::microseconds> costs;
    CostAccount spent;
};

} // namespace simhost
