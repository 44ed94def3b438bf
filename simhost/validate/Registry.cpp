#include "validate/Checks.h"
#include "validate/ChildProcess.h"
#include "validate/StableHash.h"
#include "validate/Validator.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>

namespace simhost::validate {

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

std::string KebabCase(const std::string& name) {
    std::string id;
    for (char ch : name) {
        if (std::isupper(static_cast<unsigned char>(ch))) {
            if (!id.empty())
                id += '-';
            id += char(std::tolower(static_cast<unsigned char>(ch)));
        } else {
            id += ch;
        }
    }
    return id;
}

const char* ScopeText(Scope scope) {
    return scope == Scope::Host ? "host" : "add-on";
}

const char* LevelText(Level level) {
    return level == Level::Full ? "full" : "quick";
}

std::vector<Check> Catalogue(const std::vector<std::string>& scriptFunctions) {
    std::vector<Check> checks;
#define QV_CHECK(id, order, scope, level, body, description)                                                 \
    checks.push_back({id, order, Scope::scope, Level::level, description, body});
#include "validate/Checks.def"
    std::set<std::string> ids;
    for (const auto& c : checks)
        ids.insert(c.id);
#define QV_CHECK_PER_SCRIPT_FUNCTION(prefix, order, scope, level, body, description)                         \
    {                                                                                                        \
        int next = order;                                                                                    \
        for (const std::string& function : scriptFunctions) {                                                \
            std::string id = std::string(prefix) + "-" + KebabCase(function);                                \
            if (!ids.insert(id).second)                                                                      \
                continue;                                                                                    \
            std::string text = description;                                                                  \
            text.replace(text.find("%s"), 2, function);                                                      \
            checks.push_back({id, next++, Scope::scope, Level::level, text,                                  \
                              [function](CheckContext& c) { return body(c, function); }});                   \
        }                                                                                                    \
    }
#include "validate/Checks.def"
    std::stable_sort(checks.begin(), checks.end(), [](const Check& a, const Check& b) {
        return a.order != b.order ? a.order < b.order : a.id < b.id;
    });
    return checks;
}

std::vector<const Check*> Select(const std::vector<Check>& checks, const Selection& selection) {
    std::vector<std::regex> include, exclude;
    for (const auto& e : selection.include)
        include.emplace_back(e);
    for (const auto& e : selection.exclude)
        exclude.emplace_back(e);
    std::vector<const Check*> chosen;
    for (const Check& c : checks) {
        auto matches = [&c](const std::regex& r) { return std::regex_search(c.id, r); };
        bool in = include.empty() || std::any_of(include.begin(), include.end(), matches);
        bool out = std::any_of(exclude.begin(), exclude.end(), matches);
        if (in && !out)
            chosen.push_back(&c);
    }
    return chosen;
}

CheckContext::CheckContext(const Options& o, const Check& c)
    : options(o), check(c), random(o.seed ^ Fnv1a(c.id)) {}

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
