// The standard session on the plain host and on hosts that vary within their contract: what the
// page sees must not change, GUIDs aside.
#include "validate/AddOnSession.h"
#include "validate/Checks.h"
#include "validate/Validator.h"

#include <regex>

namespace simhost::validate {

using nlohmann::json;

namespace {

// The page's answers of the standard session, each call's line with its GUIDs masked; nothing
// for the plain host when `seed` is empty.
CheckResult Answers(const Options& options, std::optional<UInt64> seed) {
    AddOnSession s(options);
    if (!s.Start([&](Host& host) {
            if (seed)
                host.Vary(*seed);
        }))
        return s.EndedEarly(Outcome::Failed, "the lifecycle stopped at " + s.lifecycle.failedStep);
    if (!s.OpenPalette()) {
        s.Finish();
        return s.EndedEarly(Outcome::Skipped, NoScriptObject);
    }
    s.RunStandardSteps();
    s.Finish();
    if (!s.problems.empty())
        return FromProblems(s.problems, "the standard session");
    static const std::regex guid(
        "[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}");
    json answers = json::array();
    for (const auto& line : s.lines)
        if (line.value("step", std::string()) == "call")
            answers.push_back(std::regex_replace(line.dump(-1, ' ', false, json::error_handler_t::replace),
                                                 guid, "<guid>"));
    return {Outcome::Passed, {}, {}, {}, answers};
}

} // namespace

CheckResult HostVariance(CheckContext& c) {
    const CheckResult plain = c.Isolated("the plain host", [&] { return Answers(c.options, std::nullopt); });
    if (plain.outcome != Outcome::Passed)
        return plain;
    // Both answers a host may give for an element of a deleted attribute: odd and even seeds.
    std::vector<UInt64> seeds = {c.random() | 1, c.random() & ~UInt64(1), c.random()};
    std::vector<std::string> problems;
    for (UInt64 seed : seeds) {
        const std::string variant = "the host of variance " + std::to_string(seed);
        const CheckResult varied = c.Isolated(variant, [&] { return Answers(c.options, seed); });
        if (varied.outcome != Outcome::Passed) {
            CheckResult r = varied;
            r.detail = variant + ": " + r.detail;
            return r;
        }
        const json& a = plain.data;
        const json& b = varied.data;
        for (size_t i = 0; i < std::max(a.size(), b.size()); ++i)
            if (i >= a.size() || i >= b.size() || a[i] != b[i]) {
                problems.push_back(variant + " answers " +
                                   (i < b.size() ? b[i].get<std::string>() : "nothing") +
                                   " where the plain host's answer is " +
                                   (i < a.size() ? a[i].get<std::string>() : "nothing"));
                break;
            }
    }
    CheckResult r = FromProblems(problems, "the standard session");
    r.data = {{"seeds", seeds}, {"answers", plain.data.size()}};
    return r;
}

} // namespace simhost::validate
