#include "validate/ChildProcess.h"
#include "validate/Validator.h"

#include <algorithm>
#include <regex>

namespace simhost::validate {

namespace {

std::vector<Check>& Registry() {
    static std::vector<Check> checks;
    return checks;
}

} // namespace

const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
    case Outcome::Passed:
        return "passed";
    case Outcome::Failed:
        return "failed";
    case Outcome::Crashed:
        return "crashed";
    case Outcome::TimedOut:
        return "timed out";
    case Outcome::Skipped:
        return "skipped";
    }
    return "?";
}

bool IsFault(Outcome outcome) {
    return outcome == Outcome::Failed || outcome == Outcome::Crashed || outcome == Outcome::TimedOut;
}

bool IsKebabCase(const std::string& id) {
    static const std::regex kebab("[a-z][a-z0-9]*(-[a-z0-9]+)*");
    return std::regex_match(id, kebab);
}

bool RegisterCheck(Check check) {
    Registry().push_back(std::move(check));
    return true;
}

std::vector<const Check*> AllChecks() {
    std::vector<const Check*> all;
    for (const auto& c : Registry())
        all.push_back(&c);
    std::sort(all.begin(), all.end(), [](const Check* a, const Check* b) {
        return a->order != b->order ? a->order < b->order : a->id < b->id;
    });
    return all;
}

std::vector<const Check*> Select(const Selection& selection) {
    std::vector<std::regex> include, exclude;
    for (const auto& e : selection.include)
        include.emplace_back(e);
    for (const auto& e : selection.exclude)
        exclude.emplace_back(e);
    std::vector<const Check*> chosen;
    for (const Check* c : AllChecks()) {
        auto matches = [c](const std::regex& r) { return std::regex_search(c->id, r); };
        bool in = include.empty() || std::any_of(include.begin(), include.end(), matches);
        bool out = std::any_of(exclude.begin(), exclude.end(), matches);
        if (in && !out)
            chosen.push_back(c);
    }
    return chosen;
}

CheckContext::CheckContext(const Options& o, const Check& c)
    : options(o), check(c), random(o.seed ^ std::hash<std::string>{}(c.id)) {}

void CheckContext::Progress(const std::string& what) {
    ReportProgress(what);
}

CheckResult CheckContext::Isolated(const std::string& what, const std::function<CheckResult()>& body) {
    Progress(what);
    CheckResult r = RunInChild(body, options.timeout, false, [this](const std::string& p) { Progress(p); });
    Progress(what + ": " + OutcomeText(r.outcome));
    return r;
}

} // namespace simhost::validate
