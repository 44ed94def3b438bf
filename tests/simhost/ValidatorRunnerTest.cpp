// The validator's machinery: children that answer, crash, hang or die; selection of checks by
// expression; what counts as a project that kept everything it held.
#include "support/NeedsFork.h"
#include "validate/ChildProcess.h"
#include "validate/EventSweep.h"
#include "validate/HostileCall.h"
#include "validate/StableHash.h"
#include "validate/Validator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <regex>
#include <set>
#include <thread>

using nlohmann::json;
using namespace simhost::validate;

TEST(ValidatorRunner, AChildsDeathHangOrAnswerBecomesItsOutcome) {
    SKIP_WITHOUT_FORK();
    struct Case {
        const char* name;
        std::function<CheckResult()> body;
        Outcome outcome;
        std::string signal;
        std::string detailPart;
    } cases[] = {
        {"answers",
         [] {
             return CheckResult{Outcome::Skipped, "no palette", {}, {}, {}};
         },
         Outcome::Skipped, "", "no palette"},
        {"throws", []() -> CheckResult { throw std::runtime_error("boom"); }, Outcome::Failed, "", "boom"},
        {"segfaults",
         []() -> CheckResult {
             std::raise(SIGSEGV);
             return {};
         },
         Outcome::Crashed, "SIGSEGV", ""},
        {"aborts", []() -> CheckResult { std::abort(); }, Outcome::Crashed, "SIGABRT", ""},
        {"exits without answering", []() -> CheckResult { ::_exit(3); }, Outcome::Crashed, "",
         "exited with code 3"},
        {"hangs after saying what it does",
         []() -> CheckResult {
             ReportProgress("waiting forever");
             for (;;)
                 std::this_thread::sleep_for(std::chrono::milliseconds(20));
         },
         Outcome::TimedOut, "", "waiting forever"},
    };
    for (const auto& c : cases) {
        // A child that hangs is given 1 s; the others all the time a loaded machine may need.
        CheckResult r = RunInChild(c.body, c.outcome == Outcome::TimedOut ? 1.0 : 60.0, true, nullptr);
        EXPECT_EQ(r.outcome, c.outcome) << c.name << ": " << r.detail;
        EXPECT_EQ(r.signal, c.signal) << c.name << ": " << r.detail;
        EXPECT_NE(r.detail.find(c.detailPart), std::string::npos) << c.name << ": " << r.detail;
    }
}

TEST(ValidatorRunner, ProgressKeepsASlowChildAlive) {
    SKIP_WITHOUT_FORK();
    // The child sleeps 2 s in all, beyond its limit of 1.5 s, but says what it does every 80 ms:
    // only a stall of the machine nearly twenty times that gap could end it.
    CheckResult r = RunInChild(
        [] {
            for (int i = 0; i < 25; ++i) {
                ReportProgress("step " + std::to_string(i));
                std::this_thread::sleep_for(std::chrono::milliseconds(80));
            }
            return CheckResult{};
        },
        1.5, true, nullptr);
    EXPECT_EQ(r.outcome, Outcome::Passed) << r.detail;
}

TEST(ValidatorRunner, OnlyFailuresCrashesAndTimeoutsAreFaults) {
    EXPECT_FALSE(IsFault(Outcome::Passed));
    EXPECT_FALSE(IsFault(Outcome::Skipped));
    EXPECT_TRUE(IsFault(Outcome::Failed));
    EXPECT_TRUE(IsFault(Outcome::Crashed));
    EXPECT_TRUE(IsFault(Outcome::TimedOut));
}

TEST(ValidatorRegistry, EveryCheckHasAKebabCaseIdAndOneDescriptionLine) {
    // A script function with a check of its own ("import") gets no second one; any other, even
    // one the catalogue never heard of, gets its bad-input check, in the object's order.
    const std::vector<Check> checks = Catalogue({"import", "getRevitSelection", "addSomethingNew"});
    ASSERT_FALSE(checks.empty());
    std::set<std::string> ids;
    std::vector<std::string> badInput;
    for (const Check& c : checks) {
        EXPECT_TRUE(IsKebabCase(c.id)) << c.id;
        EXPECT_TRUE(ids.insert(c.id).second) << "twice: " << c.id;
        EXPECT_FALSE(c.description.empty());
        EXPECT_EQ(c.description.find('\n'), std::string::npos) << c.id;
        EXPECT_EQ(c.description.find("%s"), std::string::npos) << c.id;
        if (c.id.rfind("bad-input-", 0) == 0)
            badInput.push_back(c.id);
    }
    EXPECT_EQ(badInput, (std::vector<std::string>{"bad-input-import", "bad-input-get-revit-selection",
                                                  "bad-input-add-something-new"}));
    for (const char* bad : {"Lifecycle", "entry_guard", "-a", "a-", "a--b", ""})
        EXPECT_FALSE(IsKebabCase(bad)) << bad;
}

TEST(ValidatorRegistry, SelectionIncludesByAnyExpressionThenExcludes) {
    const std::vector<Check> checks = Catalogue({});
    auto ids = [&checks](const Selection& s) {
        std::vector<std::string> out;
        for (const Check* c : Select(checks, s))
            out.push_back(c->id);
        return out;
    };
    EXPECT_EQ(ids({{"^entry-guard$"}, {}}), std::vector<std::string>{"entry-guard"});
    EXPECT_EQ(ids({{"^reload$", "^entry"}, {}}), (std::vector<std::string>{"entry-guard", "reload"}));
    EXPECT_EQ(ids({{"sweep"}, {"memory|slot"}}), std::vector<std::string>{"failure-sweep"});
    EXPECT_EQ(ids({{}, {"."}}), std::vector<std::string>{});
    EXPECT_THROW(Select(checks, {{"("}, {}}), std::regex_error);
}

TEST(ValidatorSeeds, ChecksAreSeededWithTheFnv1aHashOfTheirIdOnEveryStandardLibrary) {
    // The published FNV-1a test values; a continued hash equals the hash of the whole.
    struct Case {
        const char* text;
        std::uint64_t hash;
    } cases[] = {
        {"", 0xcbf29ce484222325ull}, {"a", 0xaf63dc4c8601ec8cull}, {"foobar", 0x85944171f73967e8ull}};
    for (const auto& c : cases)
        EXPECT_EQ(Fnv1a(c.text), c.hash) << c.text;
    EXPECT_EQ(Fnv1a("bar", Fnv1a("foo")), Fnv1a("foobar"));
    const std::vector<Check> checks = Catalogue({});
    Options options;
    options.seed = 42;
    CheckContext context(options, checks.front());
    EXPECT_EQ(context.random(), std::mt19937_64(42 ^ Fnv1a(checks.front().id))());
}

// --full fails every event; without it a sweep of many events fails 24 of them, always the first
// six and the last four, and the same 24 again for the same seed.
TEST(ValidatorSeeds, ASweepFailsEveryEventWithFullElseASeededSampleOfTwentyFour) {
    const struct {
        UInt64 count;
        bool full;
        size_t chosen;
    } cases[] = {{0, false, 0},    {10, false, 10},  {24, false, 24},    {25, false, 24},
                 {706, false, 24}, {706, true, 706}, {100000, false, 24}};
    for (const auto& c : cases) {
        std::mt19937_64 random(7);
        const std::vector<UInt64> ks = EventsToFail(c.count, c.full, random);
        ASSERT_EQ(ks.size(), c.chosen) << c.count << (c.full ? " full" : "");
        EXPECT_TRUE(std::is_sorted(ks.begin(), ks.end()));
        EXPECT_EQ(std::set<UInt64>(ks.begin(), ks.end()).size(), ks.size()) << "each event once";
        if (ks.empty())
            continue;
        EXPECT_EQ(ks.front(), 1u);
        EXPECT_EQ(ks.back(), c.count);
        if (c.chosen < c.count) {
            for (UInt64 k : {UInt64(2), UInt64(6), c.count - 3})
                EXPECT_TRUE(std::binary_search(ks.begin(), ks.end(), k)) << k << " of " << c.count;
            std::mt19937_64 again(7), other(8);
            EXPECT_EQ(EventsToFail(c.count, false, again), ks);
            if (c.count > 100) { // a spread of one event leaves no room for a jitter
                EXPECT_NE(EventsToFail(c.count, false, other), ks) << "the jitter follows the seed";
            }
        }
    }
}

TEST(ValidatorProjectKeeping, AdditionsAreKeptChangesAndLossesAreNot) {
    struct Case {
        const char* before;
        const char* after;
        bool kept;
        const char* where;
    } cases[] = {
        {R"({"a":[1,2],"b":{"c":"x"}})", R"({"a":[1,2,3],"b":{"c":"x","d":1},"e":0})", true, ""},
        {R"({"a":[1,2]})", R"({"a":[2,1]})", false, "/a/0"},
        {R"({"a":[1,2]})", R"({"a":[1]})", false, "/a"},
        {R"({"b":{"c":"x"}})", R"({"b":{"c":"y"}})", false, "/b/c"},
        {R"({"b":{"c":"x"}})", R"({"b":{}})", false, "/b/c is gone"},
        {R"({"b":{"c":"x"}})", R"({"b":[]})", false, "/b is no longer an object"},
        {R"([])", R"([{"name":"new"}])", true, ""},
    };
    for (const auto& c : cases) {
        std::string loss = FirstLoss(json::parse(c.before), json::parse(c.after));
        EXPECT_EQ(loss.empty(), c.kept) << c.before << " -> " << c.after << ": " << loss;
        EXPECT_NE(loss.find(c.where), std::string::npos) << loss;
    }
}

TEST(ValidatorProjectKeeping, UniquifyRenamesProductsButNotFilesOrProperties) {
    json product = json::parse(R"({"name":"M","Name":"W","layers":[{"product":{"name":"L"}}],
        "image":{"name":"p.png"},"propertySets":[{"name":"S","properties":[{"name":"P"}]}]})");
    Uniquify(product, " #1");
    EXPECT_EQ(product["name"], "M #1");
    EXPECT_EQ(product["Name"], "W #1");
    EXPECT_EQ(product["layers"][0]["product"]["name"], "L #1");
    EXPECT_EQ(product["image"]["name"], "p.png");
    EXPECT_EQ(product["propertySets"][0]["name"], "S");
}
