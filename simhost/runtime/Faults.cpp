#include "runtime/Faults.h"

namespace simhost {

namespace {
std::string SelectorText(GSType s) {
    return {char(s >> 24), char(s >> 16), char(s >> 8), char(s)};
}
} // namespace

bool IsSelectorRequest(HostOp op) {
    return op == HostOp::EnvironmentRequest || op == HostOp::InterfaceRequest ||
           op == HostOp::UtilityRequest || op == HostOp::ElementRequest;
}

std::string OperationName::Text() const {
    std::string text = HostOps[int(op)].name;
    if (selector)
        text += "." + SelectorText(*selector);
    return text;
}

std::optional<OperationName> ParseOperationName(const std::string& text) {
    std::string base = text;
    std::optional<GSType> selector;
    if (auto dot = text.find('.'); dot != std::string::npos) {
        base = text.substr(0, dot);
        std::string code = text.substr(dot + 1);
        if (code.size() != 4)
            return std::nullopt;
        selector = FourCC({code[0], code[1], code[2], code[3], 0});
    }
    for (int i = 0; i < int(HostOp::Count); ++i) {
        if (base == HostOps[i].name) {
            if (selector && !IsSelectorRequest(HostOp(i)))
                return std::nullopt;
            if (selector) {
                bool known = false;
#define QV_SELECTOR(request, code)                                                                           \
    if (HostOp(i) == HostOp::request && *selector == GSType(Selector::code))                                 \
        known = true;
#include "api/HostFunctions.def"
                if (!known)
                    return std::nullopt;
            }
            return OperationName{HostOp(i), selector};
        }
    }
    return std::nullopt;
}

UInt64 Counters::Of(const OperationName& name) const {
    auto it = counts.find(name);
    return it == counts.end() ? 0 : it->second;
}

UInt64 Counters::Of(const std::string& name) const {
    auto parsed = ParseOperationName(name);
    return parsed ? Of(*parsed) : 0;
}

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

} // namespace simhost
