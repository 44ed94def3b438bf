#pragma once

// The validator's report: each check's outcome as JSON (also how a child hands its result to its
// parent), the whole run as JSON, and the text lines a user reads.

#include "validate/Validator.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace simhost::validate {

struct ReportedCheck {
    const Check* check;
    CheckResult result;
    double seconds = 0;
    CostAccount hostCostSpent; // by the hosts of the check's sessions, its children's included
};

// A cost account as JSON, {"GetElement": microseconds, ...}, and back into an account.
nlohmann::json CostAccountJson(const CostAccount& account);
void AddToCostAccount(CostAccount& account, const nlohmann::json& json);

nlohmann::json ResultToJson(const CheckResult& result);
CheckResult ResultFromJson(const nlohmann::json& json);

nlohmann::json ReportJson(const Options& options, const std::vector<ReportedCheck>& checks);
nlohmann::json ListJson(const std::vector<const Check*>& checks);

// `validate --list`'s line for one check: id, order, scope, level and description.
std::string ListLine(const Check& check);

// The text report's line for one check, and its closing summary line.
std::string TextLine(const ReportedCheck& check);
std::string TextSummary(const Options& options, const nlohmann::json& report);

// `text` with its line breaks made blanks.
std::string OneLine(std::string text);

} // namespace simhost::validate
