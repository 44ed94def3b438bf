#include "host/HostApi.h"

#include "gs/Debug.h"
#include "gs/Resources.h"

#include <array>
#include <cstring>
#include <tuple>
#include <type_traits>

extern const unsigned char QuorvelResourceImage[];
extern const std::size_t QuorvelResourceImageSize;

namespace {

constexpr size_t MaxModulePath = 260;

struct ModuleState {
    HostFunctionTable table{};
    bool tableSet = false;
    API_AddOnHandle handle = nullptr;
    GSResModule resourceModule = -1;
    std::string path;
};

ModuleState& Module() {
    static ModuleState state;
    return state;
}

template <typename Fn, typename... Args> GSErrCode Invoke(Fn fn, Args... args) {
    if constexpr (std::is_void_v<std::invoke_result_t<Fn, Args...>>) {
        fn(args...);
        return NoError;
    } else {
        return fn(args...);
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) GSErrCode
SetImportedFuncAddrs(const HostFunctionTable* table) {
    if (table == nullptr)
        return ErrBadParameter;
    std::memcpy(&Module().table, table, sizeof(HostFunctionTable));
    Module().tableSet = true;
    return NoError;
}

namespace HostApi {

#define QV_PREPEND_HANDLE(...) Module().handle __VA_OPT__(, ) __VA_ARGS__
#define QV_HOST_OP(slot, name, result, params, args)                                                         \
    GSErrCode name params {                                                                                  \
        auto fn = reinterpret_cast<HostFn::name>(Module().table.entries[slot]);                              \
        if (fn == nullptr)                                                                                   \
            return ErrMissingEntry;                                                                          \
        return Invoke(fn, QV_PREPEND_HANDLE args);                                                           \
    }
#define QV_HOST_OP_NO_HANDLE(slot, name, result, params, args)                                               \
    GSErrCode name params {                                                                                  \
        auto fn = reinterpret_cast<HostFn::name>(Module().table.entries[slot]);                              \
        if (fn == nullptr)                                                                                   \
            return ErrMissingEntry;                                                                          \
        return Invoke(fn, QV_UNPAREN args);                                                                  \
    }
#include "api/HostFunctions.def"

namespace {
template <typename... Params, typename... Values>
GSErrCode SendRequest(GSErrCode (*request)(GSType, Params...), GSType selector, Values... values) {
    static_assert(sizeof...(Values) <= sizeof...(Params), "more arguments than the request has");
    std::array<APIRequestArg, sizeof...(Params)> arguments{ToRequestArg(values)...};
    return std::apply([&](auto... argument) { return request(selector, argument...); }, arguments);
}
} // namespace

#define QV_SELECTOR(request, code, name, params, args)                                                       \
    GSErrCode name params {                                                                                  \
        return SendRequest(&request, GSType(Selector::code), QV_UNPAREN args);                               \
    }
#include "api/HostFunctions.def"

bool IsHostTableSet() {
    return Module().tableSet;
}
API_AddOnHandle AddOnHandle() {
    return Module().handle;
}
void SetAddOnHandle(API_AddOnHandle handle) {
    Module().handle = handle;
}
GSResModule OwnResourceModule() {
    return Module().resourceModule;
}
const std::string& ModulePath() {
    return Module().path;
}

void LibraryLoaded(const char* modulePath) {
    ModuleState& m = Module();
    m.resourceModule = RSInitModuleImageCache(QuorvelResourceImage, QuorvelResourceImageSize);
    m.path = modulePath ? std::string(modulePath).substr(0, MaxModulePath) : std::string();
}

void LibraryUnloading() {
    ModuleState& m = Module();
    if (m.resourceModule != -1) {
        RSRemoveModuleImageCache(m.resourceModule);
        m.resourceModule = -1;
    }
    if (m.handle != nullptr) {
        DBPrintf("Abnormal add-on termination (\"%s\")\n", m.path.c_str());
        m.handle = nullptr;
    }
    // A later load of the same image starts from an unset table.
    m.table = HostFunctionTable{};
    m.tableSet = false;
}

} // namespace HostApi
