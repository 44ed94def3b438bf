#pragma once

#include "api/HostApiRecords.h"

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

} // namespace simhost
