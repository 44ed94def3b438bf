#pragma once

#include "api/HostApiRecords.h"

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace simhost {

// The operation named by text: an operation of HostFunctions.def ("GetAttribute"), or a selector
// of a request ("UtilityRequest.GATS").
struct OperationName {
    HostOp op;
    std::optional<GSType> selector;

    std::string Text() const;
    bool operator<(const OperationName& o) const { return op != o.op ? op < o.op : selector < o.selector; }
    bool operator==(const OperationName&) const = default;
};
// Parses an operation name; nothing when it names no operation of the list.
std::optional<OperationName> ParseOperationName(const std::string& text);
bool IsSelectorRequest(HostOp op);

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

// Operations made to answer a given code instead of doing their work; and host calls, one by
// one, made to.
class Faults {
public:
    void Set(const OperationName& name, GSErrCode code);
    GSErrCode CodeFor(const OperationName& name) const;
    void Clear() { codes.clear(); }

    // Decides what the n-th host call (from 1) answers instead of doing its work; NoError: it
    // does its work.
    using CallObserver = std::function<GSErrCode(UInt64 call, const OperationName& name)>;
    void ObserveCalls(CallObserver observer) { callObserver = std::move(observer); }
    // Called once per host call, a selector request once by its selector: counts the call and
    // answers the code it answers instead of doing its work.
    GSErrCode OnCall(const OperationName& name);
    UInt64 Calls() const { return calls; }

private:
    std::map<OperationName, GSErrCode> codes;
    CallObserver callObserver;
    UInt64 calls = 0;
};

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
