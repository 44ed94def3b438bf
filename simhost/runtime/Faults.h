#pragma once

#include "runtime/OperationName.h"

#include <functional>
#include <map>

namespace simhost {

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

} // namespace simhost
