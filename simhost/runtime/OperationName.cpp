#include "runtime/OperationName.h"

#include "model/CodeText.h"

namespace simhost {

std::string OperationName::Text() const {
    std::string text = HostOps[int(op)].name;
    if (selector)
        text += "." + CodeText(*selector);
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
#define QV_SELECTOR(request, code, name, params, args)                                                       \
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

} // namespace simhost
