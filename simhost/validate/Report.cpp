#include "validate/Report.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace simhost::validate {

using nlohmann::json;

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

json ResultToJson(const CheckResult& r) {
    return {{"outcome", OutcomeText(r.outcome)},
            {"detail", r.detail},
            {"signal", r.signal},
            {"lastProgress", r.lastProgress},
            {"data", r.data}};
}

CheckResult ResultFromJson(const json& j) {
    CheckResult r;
    std::string outcome = j.at("outcome").get<std::string>();
    for (Outcome o :
         {Outcome::Passed, Outcome::Failed, Outcome::Crashed, Outcome::TimedOut, Outcome::Skipped})
        if (outcome == OutcomeText(o))
            r.outcome = o;
    r.detail = j.at("detail").get<std::string>();
    r.signal = j.at("signal").get<std::string>();
    r.lastProgress = j.at("lastProgress").get<std::string>();
    r.data = j.at("data");
    return r;
}

json CostAccountJson(const CostAccount& account) {
    json j = json::object();
    for (const auto& [name, spent] : account)
        j[name.Text()] = spent.count();
    return j;
}

void AddToCostAccount(CostAccount& account, const json& j) {
    for (const auto& [text, microseconds] : j.items())
        if (auto name = ParseOperationName(text))
            account[*name] += std::chrono::microseconds(microseconds.get<std::int64_t>());
}

json ListJson(const std::vector<const Check*>& checks) {
    json list = json::array();
    for (const Check* c : checks)
        list.push_back({{"id", c->id},
                        {"order", c->order},
                        {"scope", ScopeText(c->scope)},
                        {"level", LevelText(c->level)},
                        {"description", c->description}});
    return list;
}

json ReportJson(const Options& options, const std::vector<ReportedCheck>& checks) {
    json list = json::array();
    std::map<std::string, int> summary = {
        {"passed", 0}, {"failed", 0}, {"crashed", 0}, {"timed out", 0}, {"skipped", 0}};
    for (const auto& c : checks) {
        json entry = ResultToJson(c.result);
        entry["id"] = c.check->id;
        entry["description"] = c.check->description;
        entry["seconds"] = c.seconds;
        if (!c.hostCostSpent.empty())
            entry["hostCostSpent"] = CostAccountJson(c.hostCostSpent);
        list.push_back(entry);
        ++summary[OutcomeText(c.result.outcome)];
    }
    return {{"addon", options.addOn},
            {"seed", options.seed},
            {"full", options.full},
            {"timeout", options.timeout},
            {"iterations", options.iterations},
            {"checks", list},
            {"summary", summary}};
}

std::string TextLine(const ReportedCheck& c) {
    char line[128];
    std::snprintf(line, sizeof line, "%-10s %-44s %7.2f s", OutcomeText(c.result.outcome),
                  c.check->id.c_str(), c.seconds);
    std::string text = "  " + std::string(line);
    if (!c.result.detail.empty())
        text += "  " + OneLine(c.result.detail).substr(0, 2000);
    return text;
}

std::string ListLine(const Check& c) {
    char line[128];
    std::snprintf(line, sizeof line, "%-44s  %3d  %-6s  %-5s  ", c.id.c_str(), c.order, ScopeText(c.scope),
                  LevelText(c.level));
    return line + c.description;
}

std::string TextSummary(const Options& options, const json& report) {
    std::string text = std::to_string(report["checks"].size()) + " checks:";
    for (const char* o : {"passed", "failed", "crashed", "timed out", "skipped"})
        text += " " + std::to_string(report["summary"][o].get<int>()) + " " + o +
                (std::string(o) == "skipped" ? "" : ",");
    return text + "; seed " + std::to_string(options.seed);
}

} // namespace simhost::validate
