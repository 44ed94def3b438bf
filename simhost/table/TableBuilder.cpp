#include "table/Operations.h"

#include "gs/AddOnCode.h"

#include <map>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>

namespace simhost {

namespace {

template <HostOp Op, bool WithHandle, typename Fn, Fn Impl> struct Trampoline;

// A call from another thread than the one the host calls the add-on on is refused: the host's
// state is not the add-on's to touch from there.
bool OnTheAddOnsThread(Host& host, const OperationName& name) {
    if (std::this_thread::get_id() == host.addOnThread)
        return true;
    host.violations.Record("wrong thread",
                           name.Text() +
                               " called from a thread other than the one the host calls the add-on on");
    return false;
}

// What the call's answer tells of the add-on: parameters its contract refuses.
GSErrCode Judged(Host& host, const OperationName& name, GSErrCode answer) {
    if (answer == ErrBadParameter)
        host.violations.Record("refused parameters", name.Text() + " answered ErrBadParameter");
    return answer;
}

template <HostOp Op, bool WithHandle, typename R, typename... A, R (*Impl)(A...)>
struct Trampoline<Op, WithHandle, R (*)(A...), Impl> {
    static R Call(A... args) {
        GS::AddOnCodeScope hostCode(false);
        Host& host = CurrentHost();
        OperationName name{Op, std::nullopt};
        host.counters.Count(name);
        host.costs.Spend(name);
        // A selector request is one call, counted by its selector when it is dispatched.
        GSErrCode code = IsSelectorRequest(Op) ? host.faults.CodeFor(name) : host.faults.OnCall(name);
        if (!OnTheAddOnsThread(host, name) && code == NoError)
            code = ErrGeneral; // and the operation leaves the host's state alone
        if constexpr (WithHandle) {
            // No handle is a good one: before InitializeAddOn the host has given none.
            const API_AddOnHandle given = std::get<0>(std::forward_as_tuple(args...));
            if (given == nullptr || given != host.addOnHandle) {
                host.violations.Record("bad handle", name.Text() + " called with " +
                                                         (given == nullptr ? "no handle"
                                                          : host.addOnHandle == nullptr
                                                              ? "a handle while the add-on has none"
                                                              : "a handle the host did not give"));
                if (code == NoError)
                    code = ErrBadHandle;
            }
        }
        if (code != NoError) {
            if constexpr (Op == HostOp::PostModuleCommand)
                TakeRefusedPost(host, std::get<4>(std::forward_as_tuple(args...)));
            if constexpr (std::is_void_v<R>)
                return;
            else
                return code;
        }
        if constexpr (std::is_void_v<R>)
            return Impl(args...);
        else if (IsSelectorRequest(Op))
            return Impl(args...); // judged by its selector
        else if (Op == HostOp::RunUndoableCommand)
            return Impl(args...); // its answer is the step's: the add-on's own, not the host refusing
        else
            return Judged(host, name, Impl(args...));
    }
};

// An integer argument travels in a pointer's bits; one its type cannot hold was not made from it.
template <typename T> bool Holds(APIRequestArg arg) {
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>)
        return std::in_range<T>(reinterpret_cast<GSIntPtr>(arg));
    else
        return true;
}

template <typename... A, size_t... I>
GSErrCode CallTyped(GSErrCode (*fn)(Host&, A...), Host& host, const RequestArgs& args,
                    std::index_sequence<I...>) {
    if (!(Holds<A>(args.p[I]) && ...))
        return ErrBadParameter;
    return fn(host, FromRequestArg<A>(args.p[I])...);
}

template <auto Fn> GSErrCode Typed(Host& host, const RequestArgs& args) {
    return [&]<typename... A>(GSErrCode (*fn)(Host&, A...)) {
        return CallTyped(fn, host, args, std::index_sequence_for<A...>{});
    }(Fn);
}

using RequestHandler = GSErrCode (*)(Host& host, const RequestArgs& args);

const std::map<std::pair<HostOp, GSType>, RequestHandler>& Requests() {
    static const std::map<std::pair<HostOp, GSType>, RequestHandler> requests = {
#define QV_SELECTOR(request, code, name, params, args)                                                       \
    {{HostOp::request, GSType(Selector::code)}, &Typed<&requests::name>},
#include "api/HostFunctions.def"
    };
    return requests;
}

} // namespace

HostFunctionTable BuildFunctionTable() {
    HostFunctionTable table{};
#define QV_HOST_OP(slot, name, result, params, args)                                                         \
    table.entries[slot] =                                                                                    \
        reinterpret_cast<HostFunctionPtr>(&Trampoline<HostOp::name, true, HostFn::name, &ops::name>::Call);
#define QV_HOST_OP_NO_HANDLE(slot, name, result, params, args)                                               \
    table.entries[slot] =                                                                                    \
        reinterpret_cast<HostFunctionPtr>(&Trampoline<HostOp::name, false, HostFn::name, &ops::name>::Call);
#include "api/HostFunctions.def"
    return table;
}

GSErrCode DispatchRequest(HostOp request, GSType selector, const RequestArgs& args) {
    Host& host = CurrentHost();
    OperationName name{request, selector};
    host.counters.Count(name);
    host.costs.Spend(name);
    if (GSErrCode code = host.faults.OnCall(name); code != NoError)
        return code;
    auto handler = Requests().find({request, selector});
    if (handler == Requests().end()) {
        host.violations.Record("unknown selector",
                               name.Text() + ": " + HostOps[int(request)].name + " has no such selector");
        return ErrBadSelector;
    }
    return Judged(host, name, handler->second(host, args));
}

// Each request passes its selector and its arguments on, the ones it has not as null.
#define QV_DISPATCH_ARGUMENTS(selector, ...)                                                                 \
    selector, RequestArgs {                                                                                  \
        { __VA_ARGS__ }                                                                                      \
    }
#define QV_HOST_REQUEST(slot, name, result, params, args)                                                    \
    result ops::name(QV_WITH_HANDLE params) {                                                                \
        return DispatchRequest(HostOp::name, QV_DISPATCH_ARGUMENTS args);                                    \
    }
#include "api/HostFunctions.def"
#undef QV_DISPATCH_ARGUMENTS

} // namespace simhost
