#pragma once

#include "validate/Validator.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace simhost::validate {

// The outcome of a sweep's variants: the worst of them, the faulty ones by name, how many ran and
// which was slowest.
class SweepTally {
public:
    // Answers the variant's outcome as the sweep counts it; a skipped one is listed with why.
    Outcome Add(const std::string& name, CheckResult result, double seconds);
    // A fault of the sweep's own machinery (a worker that died), not of one variant.
    void AddFault(const std::string& what, const CheckResult& result);

    size_t Run() const { return run; }
    // The sweep's result: the worst outcome, a detail naming the first faults, and `data` with
    // "variantsRun", "slowestVariant", "faulty" (every faulty variant) and "skipped" added.
    CheckResult Result(nlohmann::json data) const;

private:
    void Worse(const CheckResult& result);

    size_t run = 0;
    std::string slowestName;
    double slowestSeconds = -1;
    std::vector<std::string> faults;
    nlohmann::json faulty = nlohmann::json::array();
    nlohmann::json skipped = nlohmann::json::array(); // the first ones
    size_t skippedCount = 0;
    int rank = 0;
    CheckResult worst;
};

// Adds `n` to the count `counts[key]` (a JSON object of numbers), from 0 when it has none.
void Count(nlohmann::json& counts, const std::string& key, int n);

} // namespace simhost::validate
