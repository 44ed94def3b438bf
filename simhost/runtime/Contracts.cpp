#include "runtime/Contracts.h"

#include <regex>
#include <sstream>

namespace simhost {

const std::map<std::string, GSErrCode>& CodesByName() {
    static const std::map<std::string, GSErrCode> codes = [] {
        const std::string header = ErrorCodesText;
        std::map<std::string, GSErrCode> byName{{"NoError", NoError}};
        const std::regex defined(
            R"(constexpr GSErrCode (\w+) = (?:GSErrCode\((0x[0-9A-Fa-f]+)u\)|([A-Za-z]\w*));)");
        for (std::sregex_iterator m(header.begin(), header.end(), defined), end; m != end; ++m)
            byName[(*m)[1]] =
                (*m)[2].matched ? GSErrCode(std::stoul((*m)[2], nullptr, 16)) : byName.at((*m)[3]);
        return byName;
    }();
    return codes;
}

const std::map<std::string, std::set<std::string>>& ContractCodeNames() {
    static const std::map<std::string, std::set<std::string>> codes = [] {
        std::istringstream list(HostListText);
        const std::regex entry(
            R"(^QV_(?:(?:REQUEST_)?OPERATION(?:_NO_HANDLE)?\(\d+, |REQUEST_SELECTOR\(\w+, \w+, )(\w+),)");
        const std::regex code(R"(\bErr\w+)");
        std::map<std::string, std::string> contracts;
        std::string comment, line;
        while (std::getline(list, line)) {
            std::smatch m;
            if (line.rfind("//", 0) == 0) {
                comment += line + "\n";
            } else if (std::regex_search(line, m, entry)) {
                contracts[m[1]] = comment;
                comment.clear();
            } else if (line.rfind("  ", 0) != 0) {
                comment.clear(); // a blank line or a directive ends a comment
            }
        }
        std::map<std::string, std::set<std::string>> named;
        for (const auto& [name, text] : contracts) {
            named[name]; // a contract may name no code
            for (std::sregex_iterator m(text.begin(), text.end(), code), end; m != end; ++m)
                named[name].insert(m->str());
        }
        for (const auto& [name, text] : contracts)
            for (const auto& [other, otherText] : contracts)
                if (other != name && std::regex_search(text, std::regex("\\b" + other + "\\b")))
                    named[name].insert(named[other].begin(), named[other].end());
        return named;
    }();
    return codes;
}

std::map<GSErrCode, std::string> ContractCodes(const OperationName& op) {
    std::map<GSErrCode, std::string> codes;
    auto add = [&codes](const std::string& name) {
        auto contract = ContractCodeNames().find(name);
        if (contract == ContractCodeNames().end())
            return;
        for (const auto& codeName : contract->second)
            if (auto code = CodesByName().find(codeName); code != CodesByName().end())
                codes.emplace(code->second, codeName);
    };
    add(HostOps[int(op.op)].name);
    if (op.selector) {
#define QV_SELECTOR(request, selectorCode, name, params, args)                                               \
    if (op.op == HostOp::request && *op.selector == GSType(Selector::selectorCode))                          \
        add(#name);
#include "api/HostFunctions.def"
    }
    return codes;
}

std::map<GSErrCode, std::string> FailureCodes(const OperationName& op) {
    std::map<GSErrCode, std::string> codes = ContractCodes(op);
    codes.erase(NoError);
    if (codes.empty())
        codes.emplace(ErrGeneral, "ErrGeneral");
    return codes;
}

} // namespace simhost
