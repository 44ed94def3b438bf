#include "runtime/Faults.h"

#include "model/CodeText.h"

#include <charconv>
#include <stdexcept>

namespace simhost {

bool IsSelectorRequest(HostOp op) {
    return op == HostOp::EnvironmentRequest || op == HostOp::InterfaceRequest ||
           op == HostOp::UtilityRequest || op == HostOp::ElementRequest;
}

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

GSErrCode Faults::OnCall(const OperationName& name) {
    ++calls;
    if (GSErrCode code = CodeFor(name); code != NoError)
        return code;
    return callObserver ? callObserver(calls, name) : NoError;
}

void HostCosts::Set(const OperationName& name, std::chrono::microseconds cost) {
    if (cost.count() <= 0)
        costs.erase(name);
    else
        costs[name] = cost;
}

void HostCosts::Spend(const OperationName& name) {
    if (costs.empty())
        return;
    auto it = costs.find(name);
    if (it == costs.end())
        return;
    const auto until = std::chrono::steady_clock::now() + it->second;
    while (std::chrono::steady_clock::now() < until) {
    }
    spent[name] += it->second;
    SpentInProcess()[name] += it->second;
}

CostAccount& HostCosts::SpentInProcess() {
    static CostAccount account;
    return account;
}

void HostCosts::Parse(const std::string& text) {
    const auto equals = text.find('=');
    if (equals == std::string::npos)
        throw std::invalid_argument("\"" + text + "\" is not OPERATION=MICROSECONDS");
    const auto name = ParseOperationName(text.substr(0, equals));
    if (!name)
        throw std::invalid_argument("\"" + text.substr(0, equals) + "\" names no host operation");
    const std::string number = text.substr(equals + 1);
    long long microseconds = -1;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), microseconds);
    if (error != std::errc() || end != number.data() + number.size() || microseconds < 0 ||
        microseconds > 10'000'000)
        throw std::invalid_argument("\"" + number + "\" is no number of microseconds from 0 to 10000000");
    Set(*name, std::chrono::microseconds(microseconds));
}

} // namespace simhost
