// `simhost validate` as a user runs it: against deliberately broken add-ons, each of which it must
// catch with the right outcome, against a sound one, which must pass every check, and its
// command line.
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct ValidateRun {
    int exitCode = -1;
    std::string out;
    json report; // the --json report, when one was written
    double seconds = 0;

    const json& Check(const std::string& id) const {
        for (const auto& c : report.at("checks"))
            if (c.at("id") == id)
                return c;
        throw std::runtime_error("no check " + id + " in the report");
    }
};

ValidateRun Validate(const std::string& arguments, bool withReport = true) {
    static int counter = 0;
    fs::path folder = fs::temp_directory_path() / ("simhost-validate-test-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::path report = folder / ("report" + std::to_string(++counter) + ".json");
    std::string command = std::string(SIMHOST_PATH) + " validate " + arguments +
                          (withReport ? " --json " + report.string() : "") + " 2>" +
                          (folder / "stderr.txt").string();
    auto start = std::chrono::steady_clock::now();
    ValidateRun r;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        r.out.append(buffer, n);
    int status = pclose(pipe);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (withReport && fs::exists(report))
        r.report = json::parse(std::ifstream(report));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return r;
}

std::string Fixture(const char* path) {
    return std::string("--addon ") + path + " ";
}

const std::set<std::string> ExpectedChecks = {"lifecycle-order",
                                              "entry-guard",
                                              "unload-abnormal-termination",
                                              "reload",
                                              "keep-loaded",
                                              "standard-session",
                                              "host-edits",
                                              "host-variance",
                                              "empty-slot-sweep",
                                              "failure-sweep",
                                              "memory-sweep",
                                              "bad-input-import",
                                              "bad-input-export",
                                              "bad-input-add-element-to-selection",
                                              "bad-input-get-revit-selection",
                                              "bad-input-get-newly-loaded-project-overview",
                                              "bad-input-get-plugin-version",
                                              "bad-input-get-elements-using-product",
                                              "fuzz-products"};

} // namespace

TEST(ValidateCommand, ListsEveryCheckWithAKebabCaseIdAndAOneLineDescription) {
    ValidateRun listed = Validate("--list --json", false);
    ASSERT_EQ(listed.exitCode, 0) << listed.out;
    json list = json::parse(listed.out);
    std::set<std::string> ids;
    const std::regex kebab("[a-z][a-z0-9]*(-[a-z0-9]+)*");
    for (const auto& c : list) {
        std::string id = c.at("id"), description = c.at("description");
        EXPECT_TRUE(std::regex_match(id, kebab)) << id;
        EXPECT_FALSE(description.empty()) << id;
        EXPECT_EQ(description.find('\n'), std::string::npos) << id;
        ids.insert(id);
    }
    EXPECT_EQ(ids, ExpectedChecks);
    ValidateRun text = Validate("--list", false);
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_EQ(size_t(std::count(text.out.begin(), text.out.end(), '\n')), list.size());
    EXPECT_EQ(text.out.rfind("lifecycle-order  ", 0), 0u) << "checks are listed in run order";
}

TEST(ValidateCommand, IncludeAndExcludeAreRegularExpressionsOverIds) {
    struct Case {
        std::string arguments;
        std::set<std::string> ids;
    } cases[] = {
        {"--include '^bad-input-' --exclude 'import$|version$|product$'",
         {"bad-input-export", "bad-input-add-element-to-selection", "bad-input-get-revit-selection",
          "bad-input-get-newly-loaded-project-overview"}},
        {"--include 'sweep$' --include '^reload$'",
         {"empty-slot-sweep", "failure-sweep", "memory-sweep", "reload"}},
        {"--exclude '.'", {}},
    };
    for (const auto& c : cases) {
        ValidateRun r = Validate("--list --json " + c.arguments, false);
        ASSERT_EQ(r.exitCode, 0) << c.arguments;
        std::set<std::string> ids;
        for (const auto& check : json::parse(r.out))
            ids.insert(check.at("id").get<std::string>());
        EXPECT_EQ(ids, c.ids) << c.arguments;
    }
    EXPECT_EQ(Validate("--list --include '('", false).exitCode, 2);
}

TEST(ValidateFixtures, ASoundAddOnPassesEveryCheck) {
    // Generous limits: this machine may be loaded, and the fixture's speed is not what is tested.
    ValidateRun r =
        Validate(Fixture(FIXTURE_sound) + "--seed 3 --iterations 30 --call-limit 300 --timeout 300");
    ASSERT_FALSE(r.report.is_null()) << r.out;
    // The fixture's export lists no imported products, so no edit can show in it.
    for (const auto& c : r.report.at("checks"))
        EXPECT_EQ(c.at("outcome"), c.at("id") == "host-edits" ? "skipped" : "passed")
            << c.at("id") << ": " << c.at("detail");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.report.at("checks").size(), ExpectedChecks.size());
    std::set<std::string> called;
    for (const auto& line : r.Check("standard-session").at("data").at("lines"))
        if (line.value("step", "") == "call")
            called.insert(line.at("function").get<std::string>());
    EXPECT_EQ(called, (std::set<std::string>{"import", "export", "getNewlyLoadedProjectOverview",
                                             "getPluginVersion", "AddElementToSelection", "getRevitSelection",
                                             "getElementsUsingProduct"}))
        << "the standard session calls every script function";
    // The sweeps ran variants learnt from the clean session's counters and allocations.
    EXPECT_GE(r.Check("empty-slot-sweep").at("data").at("variants").size(), 5u);
    EXPECT_TRUE(
        r.Check("empty-slot-sweep").at("data").at("variants").contains("slot GetAttributeCount empty"));
    EXPECT_TRUE(
        r.Check("failure-sweep").at("data").at("variants").contains("RegisterMenu failing with ErrNotFound"));
    EXPECT_GE(r.Check("memory-sweep").at("data").at("allocations").get<int>(), 6);
    // Every host call of the fixture's session failed alone; its allocations a sample of them.
    const json& calls = r.Check("failure-sweep").at("data").at("perCall");
    EXPECT_GT(calls.at("calls").get<int>(), 10);
    EXPECT_EQ(calls.at("met"), calls.at("calls"));
    // Each call failed with every code its contract names: more variants than calls, more codes
    // than one.
    EXPECT_GT(calls.at("run").get<int>(), calls.at("calls").get<int>());
    EXPECT_GT(r.Check("failure-sweep").at("data").at("variantsPerCode").size(), 1u);
    const json& program = r.Check("memory-sweep").at("data").at("program");
    EXPECT_GT(program.at("allocations").get<int>(), 100);
    EXPECT_EQ(program.at("run"), 24);
    for (const char* sweep : {"failure-sweep", "memory-sweep"}) {
        const json& data = r.Check(sweep).at("data");
        EXPECT_GT(data.at("variantsRun").get<int>(), 24) << sweep;
        EXPECT_TRUE(data.at("slowestVariant").at("seconds").is_number()) << sweep;
    }
    EXPECT_GE(r.Check("bad-input-import").at("data").at("inputs").get<int>(), 300);
    EXPECT_GT(r.Check("bad-input-import").at("data").at("refused").get<int>(), 0);
}

TEST(ValidateFixtures, ACrashInAnImportIsReportedWithItsSignalAndTheNextCheckStillRuns) {
    ValidateRun r = Validate(Fixture(FIXTURE_crash) + "--include '^(standard-session|bad-input-export)$'");
    ASSERT_FALSE(r.report.is_null()) << r.out;
    EXPECT_EQ(r.exitCode, 1);
    const json& crashed = r.Check("standard-session");
    EXPECT_EQ(crashed.at("outcome"), "crashed") << crashed.at("detail");
    EXPECT_EQ(crashed.at("signal"), "SIGSEGV") << crashed.at("detail");
    // The next check ran in a process of its own (its session imports the same product, so it
    // crashes as well, on its own).
    const json& next = r.Check("bad-input-export");
    EXPECT_EQ(next.at("outcome"), "crashed") << next.at("detail");
    EXPECT_NE(next.at("detail").get<std::string>().find("SIGSEGV"), std::string::npos) << next.at("detail");
    EXPECT_EQ(r.report.at("summary").at("crashed"), 2);
}

TEST(ValidateFixtures, ALeakIsReportedAsAFailureOfTheSessionAndMemoryChecks) {
    ValidateRun r = Validate(Fixture(FIXTURE_leak) + "--include '^(standard-session|memory-sweep)$'");
    ASSERT_FALSE(r.report.is_null()) << r.out;
    EXPECT_EQ(r.exitCode, 1);
    for (const char* id : {"standard-session", "memory-sweep"}) {
        const json& c = r.Check(id);
        EXPECT_EQ(c.at("outcome"), "failed") << id << ": " << c.at("detail");
        EXPECT_NE(c.at("detail").get<std::string>().find("leak"), std::string::npos) << c.at("detail");
    }
}

TEST(ValidateFixtures, AFailureMishandledMidImportOrOnAnAllocationIsCaughtByItsSweep) {
    struct Case {
        const char* fixture;
        std::string arguments;
        const char* sweep;
        const char* variant; // how every faulty variant's name begins
    } cases[] = {
        // The first host call of an import failing is handled, a later one is not: failing every
        // call of the operation at once never meets it, failing each call alone does.
        {FIXTURE_midimport, "--seed 3", "failure-sweep", "call "},
        // Any allocation of an import failing leaves the fixture's block, so the seeded sample of
        // allocations meets some.
        {FIXTURE_allocation, "--seed 3", "memory-sweep", "allocation "},
    };
    for (const auto& c : cases) {
        ValidateRun r =
            Validate(Fixture(c.fixture) + c.arguments + " --include '^(standard-session|" + c.sweep + ")$'");
        ASSERT_FALSE(r.report.is_null()) << r.out;
        EXPECT_EQ(r.exitCode, 1) << c.fixture;
        EXPECT_EQ(r.Check("standard-session").at("outcome"), "passed") << "only a failure shows the fault";
        const json& sweep = r.Check(c.sweep);
        EXPECT_EQ(sweep.at("outcome"), "failed") << sweep.at("detail");
        const json& faulty = sweep.at("data").at("faulty");
        ASSERT_FALSE(faulty.empty()) << sweep.at("detail");
        for (const auto& v : faulty) {
            EXPECT_EQ(v.at("name").get<std::string>().rfind(c.variant, 0), 0u) << v.at("name");
            EXPECT_NE(v.at("detail").get<std::string>().find("leak"), std::string::npos) << v.at("detail");
        }
    }
}

// An add-on that does wrong to the host fails the check made for it, naming what it did; the
// sound fixture passes the same check.
TEST(ValidateFixtures, EachMisuseOfTheHostFailsItsCheck) {
    const struct {
        const char* fixture;
        const char* check;
        const char* detail;
    } cases[] = {
        {FIXTURE_nokeep, "keep-loaded", "did not ask to stay loaded (KeepLoaded)"},
        {FIXTURE_badhandle, "lifecycle-order",
         "misuse of the host: bad handle: GetAttributeCount called with no handle"},
        // A session the check ends early (it skips this one for the fixture) still fails on it.
        {FIXTURE_badhandle, "host-edits",
         "misuse of the host: bad handle: GetAttributeCount called with no handle"},
        {FIXTURE_refused, "standard-session",
         "misuse of the host: refused parameters: GetAttributeCount answered ErrBadParameter"},
        {FIXTURE_selector, "standard-session", "misuse of the host: unknown selector: EnvironmentRequest"},
        {FIXTURE_thread, "standard-session",
         "misuse of the host: wrong thread: GetAttributeCount called from"},
        {FIXTURE_throws, "standard-session",
         "misuse of the host: exception from the add-on: an exception left the menu handler"},
        {FIXTURE_twice, "standard-session", "misuse of the host: memory manager: a handle released twice"},
        {FIXTURE_leak, "standard-session", "misuse of the host: memory never released"},
    };
    for (const auto& c : cases) {
        const std::string include = std::string("--include '^") + c.check + "$'";
        ValidateRun r = Validate(Fixture(c.fixture) + include);
        ASSERT_FALSE(r.report.is_null()) << r.out;
        EXPECT_EQ(r.exitCode, 1) << c.check;
        const json& check = r.Check(c.check);
        EXPECT_EQ(check.at("outcome"), "failed") << c.check << ": " << check.at("detail");
        EXPECT_NE(check.at("detail").get<std::string>().find(c.detail), std::string::npos)
            << check.at("detail");
    }
    for (const char* check : {"keep-loaded", "lifecycle-order", "standard-session"}) {
        ValidateRun sound = Validate(Fixture(FIXTURE_sound) + "--include '^" + check + "$'");
        ASSERT_FALSE(sound.report.is_null()) << sound.out;
        EXPECT_EQ(sound.Check(check).at("outcome"), "passed")
            << check << ": " << sound.Check(check).at("detail");
    }
    // simhost run prints what it saw at the end.
    fs::path script = fs::temp_directory_path() / ("simhost-misuse-" + std::to_string(::getpid()) + ".jsonl");
    std::ofstream(script) << R"({"step":"menu","menu":32500,"item":1})"
                          << "\n";
    std::string out;
    FILE* pipe =
        popen((std::string(SIMHOST_PATH) + " run --addon " + FIXTURE_throws + " " + script.string() + " 2>&1")
                  .c_str(),
              "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    pclose(pipe);
    fs::remove(script);
    EXPECT_NE(
        out.find(
            "the add-on misused the host: exception from the add-on: an exception left the menu handler"),
        std::string::npos)
        << out;
}

TEST(ValidateFixtures, AnAddOnIgnoringTheEntryGuardFailsIt) {
    ValidateRun r = Validate(Fixture(FIXTURE_noguard) + "--include '^(entry-guard|lifecycle-order)$'");
    ASSERT_FALSE(r.report.is_null()) << r.out;
    EXPECT_EQ(r.exitCode, 1);
    const json& guard = r.Check("entry-guard");
    EXPECT_EQ(guard.at("outcome"), "failed");
    EXPECT_NE(guard.at("detail").get<std::string>().find("0x81060001"), std::string::npos)
        << guard.at("detail");
    EXPECT_EQ(r.Check("lifecycle-order").at("outcome"), "passed") << "only the guard is broken";
}

TEST(ValidateFixtures, AHangingImportTimesOutAndIsKilled) {
    ValidateRun r =
        Validate(Fixture(FIXTURE_hang) + "--timeout 3 --include '^(standard-session|lifecycle-order)$'");
    ASSERT_FALSE(r.report.is_null()) << r.out;
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.Check("standard-session").at("outcome"), "timed out")
        << r.Check("standard-session").at("detail");
    EXPECT_EQ(r.Check("lifecycle-order").at("outcome"), "passed");
    EXPECT_EQ(r.report.at("timeout"), 3) << "the hang was judged by the limit given";
}

TEST(ValidateFixtures, TheSeedReplaysFuzzingAndIsReported) {
    auto digest = [](const ValidateRun& r) { return r.Check("fuzz-products").at("data").at("digest"); };
    std::string fuzz = Fixture(FIXTURE_sound) + "--include '^fuzz-products$' --iterations 15 ";
    ValidateRun first = Validate(fuzz + "--seed 7"), again = Validate(fuzz + "--seed 7"),
                other = Validate(fuzz + "--seed 8");
    ASSERT_FALSE(first.report.is_null() || again.report.is_null() || other.report.is_null()) << first.out;
    EXPECT_EQ(first.report.at("seed"), 7);
    EXPECT_NE(first.out.find("seed 7"), std::string::npos) << first.out;
    EXPECT_EQ(digest(first), digest(again));
    EXPECT_NE(digest(first), digest(other));
    // Without --seed a seed is chosen and printed, so the run can be replayed.
    ValidateRun unseeded = Validate(fuzz);
    ASSERT_FALSE(unseeded.report.is_null());
    EXPECT_NE(unseeded.out.find("seed " + unseeded.report.at("seed").dump()), std::string::npos)
        << unseeded.out;
}

TEST(ValidateCommand, TheJsonReportGoesToStandardOutputWithoutAFile) {
    ValidateRun r = Validate(Fixture(FIXTURE_sound) + "--include '^lifecycle-order$' --json", false);
    ASSERT_EQ(r.exitCode, 0);
    json report = json::parse(r.out);
    ASSERT_EQ(report.at("checks").size(), 1u);
    const json& c = report.at("checks")[0];
    EXPECT_EQ(c.at("id"), "lifecycle-order");
    EXPECT_EQ(c.at("outcome"), "passed");
    EXPECT_TRUE(c.at("seconds").is_number());
    EXPECT_EQ(report.at("summary").at("passed"), 1);

    // With a terminal on standard error (script(1) gives it one), the status line goes there and
    // the JSON on standard output is the same report.
    fs::path folder = fs::temp_directory_path() / ("simhost-validate-tty-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::string command = "script -qec \"" + std::string(SIMHOST_PATH) + " validate " +
                          Fixture(FIXTURE_sound) + "--include '^lifecycle-order$' --json >" +
                          (folder / "out.json").string() + "\" /dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string terminal;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        terminal.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << terminal;
    EXPECT_NE(terminal.find("\r\033[K"), std::string::npos) << terminal;
    json onTerminal = json::parse(std::ifstream(folder / "out.json"));
    for (json* r : {&report, &onTerminal}) {
        (*r)["checks"][0].erase("seconds");
        r->erase("seed");
    }
    EXPECT_EQ(onTerminal, report);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

TEST(ValidateCommand, AHostCostIsSpentInTheChecksSessionsAndAnUnknownOperationIsRefused) {
    std::string lifecycle = Fixture(FIXTURE_sound) + "--include '^lifecycle-order$' ";
    ValidateRun plain = Validate(lifecycle),
                costed = Validate(lifecycle + "--host-cost RegisterMenu=1000000");
    ASSERT_FALSE(plain.report.is_null() || costed.report.is_null()) << costed.out;
    EXPECT_EQ(costed.exitCode, 0) << costed.out;
    // The hosts of the check's sessions account for what they spent: one menu, declared once per
    // session that registers the add-on's interface.
    const json& spent = costed.Check("lifecycle-order").at("hostCostSpent");
    EXPECT_EQ(spent.size(), 1u) << spent;
    EXPECT_GE(spent.value("RegisterMenu", 0), 1000000) << spent;
    EXPECT_EQ(spent.at("RegisterMenu").get<long long>() % 1000000, 0) << spent;
    EXPECT_FALSE(plain.Check("lifecycle-order").contains("hostCostSpent"));
    // A busy wait takes at least its time, however loaded the machine is.
    EXPECT_GE(costed.Check("lifecycle-order").at("seconds").get<double>(), 1.0);
    ValidateRun refused = Validate(lifecycle + "--host-cost NoSuchOperation=5");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.report.is_null());
}
