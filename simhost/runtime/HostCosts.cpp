#include "runtime/HostCosts.h"

#include <charconv>
#include <stdexcept>

namespace simhost {

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

std::vector<std::string> HostCosts::Texts() const {
    std::vector<std::string> texts;
    for (const auto& [name, cost] : costs)
        texts.push_back(name.Text() + "=" + std::to_string(cost.count()));
    return texts;
}

} // namespace simhost
