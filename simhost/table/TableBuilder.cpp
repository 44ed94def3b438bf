#include "table/Operations.h"

#include <map>
#include <tuple>
#include <type_traits>

namespace simhost {

namespace {

template <HostOp Op, bool WithHandle, typename Fn, Fn Impl> struct Trampoline;

template <HostOp Op, bool WithHandle, typename R, typename... A, R (*Impl)(A...)>
struct Trampoline<Op, WithHandle, R (*)(A...), Impl> {
    static R Call(A... args) {
        Host& host = CurrentHost();
        OperationName name{Op, std::nullopt};
        host.counters.Count(name);
        host.costs.Spend(name);
        GSErrCode code = host.faults.CodeFor(name);
        if constexpr (WithHandle) {
            if (code == NoError && std::get<0>(std::forward_as_tuple(args...)) != host.addOnHandle)
                code = ErrBadHandle;
        }
        if (code != NoError) {
            if constexpr (std::is_void_v<R>)
                return;
            else
                return code;
        }
        return Impl(args...);
    }
};

std::map<std::pair<HostOp, GSType>, RequestHandler>& Requests() {
    static std::map<std::pair<HostOp, GSType>, RequestHandler> requests;
    return requests;
}

} // namespace

HostFunctionTable BuildFunctionTable() {
    HostFunctionTable table{};
#define QV_HOST_OP(slot, name, result, params, args)                                                         \
    if (&ops::name != nullptr)                                                                               \
        table.entries[slot] = reinterpret_cast<HostFunctionPtr>(                                             \
            &Trampoline<HostOp::name, true, HostFn::name, &ops::name>::Call);
#define QV_HOST_OP_NO_HANDLE(slot, name, result, params, args)                                               \
    if (&ops::name != nullptr)                                                                               \
        table.entries[slot] = reinterpret_cast<HostFunctionPtr>(                                             \
            &Trampoline<HostOp::name, false, HostFn::name, &ops::name>::Call);
#include "api/HostFunctions.def"
    return table;
}

bool RegisterRequest(HostOp request, Selector selector, RequestHandler handler) {
    Requests()[{request, GSType(selector)}] = handler;
    return true;
}

GSErrCode DispatchRequest(HostOp request, GSType selector, const RequestArgs& args) {
    Host& host = CurrentHost();
    OperationName name{request, selector};
    host.counters.Count(name);
    host.costs.Spend(name);
    if (GSErrCode code = host.faults.CodeFor(name); code != NoError)
        return code;
    auto handler = Requests().find({request, selector});
    if (handler == Requests().end())
        return ErrBadSelector;
    return handler->second(host, args);
}

GSErrCode ops::EnvironmentRequest(API_AddOnHandle, GSType selector, APIRequestArg p1, APIRequestArg p2,
                                  APIRequestArg p3) {
    return DispatchRequest(HostOp::EnvironmentRequest, selector, {{p1, p2, p3, nullptr, nullptr}});
}

GSErrCode ops::InterfaceRequest(API_AddOnHandle, GSType selector, APIRequestArg p1, APIRequestArg p2,
                                APIRequestArg p3, APIRequestArg p4, APIRequestArg p5) {
    return DispatchRequest(HostOp::InterfaceRequest, selector, {{p1, p2, p3, p4, p5}});
}

GSErrCode ops::UtilityRequest(API_AddOnHandle, GSType selector, APIRequestArg p1, APIRequestArg p2,
                              APIRequestArg p3, APIRequestArg p4) {
    return DispatchRequest(HostOp::UtilityRequest, selector, {{p1, p2, p3, p4, nullptr}});
}

GSErrCode ops::ElementRequest(API_AddOnHandle, GSType selector, APIRequestArg p1, APIRequestArg p2,
                              APIRequestArg p3) {
    return DispatchRequest(HostOp::ElementRequest, selector, {{p1, p2, p3, nullptr, nullptr}});
}

} // namespace simhost
