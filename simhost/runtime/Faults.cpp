#include "runtime/Faults.h"

namespace simhost {

void Faults::Set(const OperationName& name, GSErrCode code) {
    if (code == NoError)
        codes.erase(name);
    else
        codes[name] = code;
}

GSErrCode Faults::CodeFor(const OperationName& name) const {
    auto it = codes.find(name);
    return it == codes.end() ? NoError : it->second;
}

GSErrCode Faults::OnCall(const OperationName& name) {
    ++calls;
    if (GSErrCode code = CodeFor(name); code != NoError)
        return code;
    return callObserver ? callObserver(calls, name) : NoError;
}

} // namespace simhost
