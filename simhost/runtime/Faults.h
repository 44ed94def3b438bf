#pragma once

#include "api/HostApiRecords.h"

#include <chrono>
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

// Operations made to answer a given code instead of doing their work.
class Faults {
public:
    void Set(const OperationName& name, GSErrCode code);
    GSErrCode CodeFor(const OperationName& name) const;
    void Clear() { codes.clear(); }

private:
    std::map<OperationName, GSErrCode> codes;
};

// The time each call of an operation takes, as a real host's calls take it; none by default. The
// time is spent busy, as a host computing would spend it.
class HostCosts {
public:
    void Set(const OperationName& name, std::chrono::microseconds cost);
    void Spend(const OperationName& name) const;
    // Reads "OPERATION=MICROSECONDS" (an operation or selector as the counters name it);
    // std::invalid_argument saying what is wrong.
    void Parse(const std::string& text);

private:
    std::map<OperationName, std::chrono::microseconds> costs;
};

} // namespace simhost
