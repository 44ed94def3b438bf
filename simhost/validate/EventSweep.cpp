#include "validate/EventSweep.h"

#include "runtime/AllocationFaults.h"
#include "runtime/Contracts.h"
#include "validate/AddOnSession.h"
#include "validate/ChildProcess.h"
#include "validate/FileServiceProcess.h"
#include "validate/Report.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <dlfcn.h>
#include <exception>
#include <execinfo.h>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace simhost::validate {

using nlohmann::json;

const char* const UnfailableAllocation =
    "the allocation was made where no exception may leave (a destructor or a noexcept function): "
    "std::terminate";

namespace {

namespace fs = std::filesystem;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The regular files and sockets this process has open, by path. A child forked while one is open
// shares its position with this process (and a socket's data), so such a moment is no place to fork.
std::map<std::pair<dev_t, ino_t>, std::string> OpenFilesAndSockets() {
    std::map<std::pair<dev_t, ino_t>, std::string> open;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr)
        return open;
    int own = ::dirfd(dir);
    while (dirent* entry = ::readdir(dir)) {
        int fd = std::atoi(entry->d_name);
        struct stat s {};
        if (entry->d_name[0] == '.' || fd == own || ::fstat(fd, &s) != 0)
            continue;
        if (S_ISREG(s.st_mode) || S_ISSOCK(s.st_mode)) {
            std::error_code ignored;
            open[{s.st_dev, s.st_ino}] =
                fs::read_symlink(fs::path("/proc/self/fd") / entry->d_name, ignored).string();
        }
    }
    ::closedir(dir);
    return open;
}

// What is open now that was not at the start.
std::string NewlyOpen(const std::map<std::pair<dev_t, ino_t>, std::string>& atStart) {
    for (const auto& [id, path] : OpenFilesAndSockets())
        if (atStart.count(id) == 0)
            return path;
    return {};
}

// Where this process is: the return addresses of its stack, as module and offset.
json Frames() {
    void* frames[32];
    int n = ::backtrace(frames, 32);
    json list = json::array();
    for (int i = 0; i < n; ++i) {
        Dl_info info{};
        char text[64];
        if (::dladdr(frames[i], &info) != 0 && info.dli_fname != nullptr) {
            std::snprintf(text, sizeof text, "+0x%zx",
                          size_t(static_cast<char*>(frames[i]) - static_cast<char*>(info.dli_fbase)));
            list.push_back(fs::path(info.dli_fname).filename().string() + text);
        }
    }
    return list;
}

// In a variant's child, once its allocation failed: a std::bad_alloc that meets a function no
// exception may leave (a destructor, a noexcept function) ends the program by the language's rule,
// whoever wrote the function. Such an allocation cannot fail survivably: the variant says so, with
// where it was, instead of crashing.
[[noreturn]] void FailedWhereNoExceptionMayLeave() {
    bool badAlloc = false;
    try {
        if (auto e = std::current_exception())
            std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        badAlloc = true;
    } catch (...) {
    }
    if (!badAlloc)
        std::abort();
    CheckResult r{Outcome::Skipped, UnfailableAllocation, {}, {}, {{"frames", Frames()}}};
    AnswerAndExit(r);
}

// What the session's folder holds, kept in memory and put back after a child changed it: files it
// added go, files it changed or removed are written again, the rest is left alone.
class FolderSnapshot {
public:
    explicit FolderSnapshot(fs::path root) : root(std::move(root)) {
        for (const auto& entry : fs::recursive_directory_iterator(this->root)) {
            fs::path relative = entry.path().lexically_relative(this->root);
            if (entry.is_directory()) {
                folders.insert(relative);
            } else if (entry.is_regular_file()) {
                std::ifstream in(entry.path(), std::ios::binary);
                std::ostringstream bytes;
                bytes << in.rdbuf();
                files[relative] = {bytes.str(), entry.last_write_time()};
            }
        }
    }

    void Restore() const {
        std::set<fs::path> present;
        std::vector<fs::path> strays;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            fs::path relative = entry.path().lexically_relative(root);
            auto kept = files.find(relative);
            bool same = entry.is_directory() ? folders.count(relative) > 0
                                             : entry.is_regular_file() && kept != files.end() &&
                                                   entry.last_write_time() == kept->second.written &&
                                                   entry.file_size() == kept->second.bytes.size();
            if (same)
                present.insert(relative);
            else
                strays.push_back(entry.path());
        }
        for (const auto& stray : strays)
            fs::remove_all(stray);
        for (const auto& folder : folders)
            fs::create_directories(root / folder);
        for (const auto& [relative, file] : files)
            if (present.count(relative) == 0) {
                std::ofstream(root / relative, std::ios::binary) << file.bytes;
                fs::last_write_time(root / relative, file.written);
            }
    }

private:
    struct File {
        std::string bytes;
        fs::file_time_type written;
    };
    fs::path root;
    std::set<fs::path> folders;
    std::map<fs::path, File> files;
};

struct VariantRun {
    std::string name;
    CheckResult result;
    double seconds = 0;
    std::string code; // the name of the code a failing host call answered
};

// A variant for the report; only a faulty or skipped one keeps its data (what its standard error
// said, where it was).
json VariantJson(const VariantRun& v) {
    json j = ResultToJson(v.result);
    j["name"] = v.name;
    j["seconds"] = v.seconds;
    if (!v.code.empty())
        j["code"] = v.code;
    if (v.result.outcome == Outcome::Passed)
        j["data"] = nullptr;
    return j;
}

// The ways one event fails, a variant each: a host call answers in turn each failure its
// operation's contract names; an allocation fails (its code is not used).
std::vector<std::pair<GSErrCode, std::string>> Failures(SweptEvent event, const std::string& where) {
    if (event == SweptEvent::Allocation)
        return {{ErrGeneral, ""}};
    std::optional<OperationName> op = ParseOperationName(where);
    std::map<GSErrCode, std::string> codes =
        op ? FailureCodes(*op) : std::map<GSErrCode, std::string>{{ErrGeneral, "ErrGeneral"}};
    return {codes.begin(), codes.end()};
}

std::string Name(SweptEvent event, UInt64 n, const std::string& where, const std::string& code = "") {
    return (event == SweptEvent::HostCall ? "call " : "allocation ") + std::to_string(n) + " failing" +
           (code.empty() ? "" : " with " + code) + " (" + where + ")";
}

// Makes the session's events reach `at` (which answers the code the event fails with, NoError:
// it does not fail) and stops it.
class EventWatch {
public:
    EventWatch(SweptEvent event, AddOnSession& s, std::function<GSErrCode(UInt64, const std::string&)> at)
        : event(event), session(s) {
        if (event == SweptEvent::HostCall)
            s.host.faults.ObserveCalls([at](UInt64 n, const OperationName& op) { return at(n, op.Text()); });
        else
            allocations::Start([at, &s](UInt64 n) { return at(n, s.CurrentStep()) != NoError; });
    }
    ~EventWatch() { Stop(); }
    // Answers how many events were seen.
    UInt64 Stop() {
        if (!stopped) {
            stopped = true;
            seen = event == SweptEvent::HostCall ? session.host.faults.Calls() : allocations::Count();
            if (event == SweptEvent::HostCall)
                session.host.faults.ObserveCalls(nullptr);
            else
                allocations::Stop();
        }
        return seen;
    }

private:
    SweptEvent event;
    AddOnSession& session;
    bool stopped = false;
    UInt64 seen = 0;
};

// What a variant must leave: no problem on the add-on's side, and a project that saves, reopens
// and takes the next import.
CheckResult VariantOutcome(AddOnSession& s, const std::string& name) {
    s.CheckProjectStillWhole();
    s.Finish(true);
    return FromProblems(s.problems, name);
}

// A variant replayed from the start in a child of its own: for an event met while a file was open,
// where forking would share it.
CheckResult Replay(const Options& o, SweptEvent event, UInt64 n, size_t failure, const std::string& files) {
    AddOnSession s(o, files);
    s.keepLines = false;
    std::string name;
    {
        EventWatch watch(event, s, [&](UInt64 k, const std::string& where) {
            const auto failures = Failures(event, where);
            if (k != n || failure >= failures.size())
                return NoError;
            name = Name(event, n, where, failures[failure].second);
            if (event == SweptEvent::Allocation)
                std::set_terminate(FailedWhereNoExceptionMayLeave);
            return failures[failure].first;
        });
        s.RunStandardSession();
    }
    return VariantOutcome(s, name.empty() ? Name(event, n, "not met again") : name);
}

// One worker: the clean session, a child per chosen event. In a child it answers that variant's
// outcome instead (the caller hands it to the worker).
CheckResult Work(const Options& o, SweptEvent event, const std::vector<UInt64>& chosen,
                 const std::string& files) {
    auto started = std::chrono::steady_clock::now();
    std::vector<VariantRun> variants;
    struct Replayed {
        UInt64 event;
        size_t failure;
        std::string code, open; // the file open at the event
    };
    std::vector<Replayed> replays;
    UInt64 seen = 0, met = 0;
    {
        AddOnSession s(o, files);
        s.keepLines = false;
        std::optional<std::string> variant; // in a variant's child: its name
        size_t next = 0;
        const auto openAtStart = OpenFilesAndSockets();
        Children children;
        {
            EventWatch watch(event, s, [&](UInt64 n, const std::string& where) {
                if (variant || next >= chosen.size() || chosen[next] != n)
                    return NoError;
                ++next;
                ++met;
                const auto failures = Failures(event, where);
                if (std::string open = NewlyOpen(openAtStart); !open.empty()) {
                    for (size_t i = 0; i < failures.size(); ++i)
                        replays.push_back({n, i, failures[i].second, open});
                    return NoError;
                }
                FolderSnapshot snapshot(s.Folder());
                for (const auto& [code, codeName] : failures) {
                    std::string name = Name(event, n, where, codeName);
                    auto start = std::chrono::steady_clock::now();
                    if (children.Fork(false) < 0) {
                        variant = name;
                        s.KeepFolder(); // the worker's: it puts it back when the child is done
                        if (event == SweptEvent::Allocation)
                            std::set_terminate(FailedWhereNoExceptionMayLeave);
                        return code;
                    }
                    CheckResult r = children.WaitAny(o.timeout, nullptr).second;
                    snapshot.Restore();
                    variants.push_back({name, r, Since(start), codeName});
                    ReportProgress(name + ": " + OutcomeText(r.outcome));
                }
                return NoError;
            });
            s.RunStandardSession();
            seen = watch.Stop();
        }
        if (variant)
            return VariantOutcome(s, *variant);
        s.Finish(true);
        if (!s.problems.empty())
            return FromProblems(s.problems, "the worker's clean standard session");
    }
    // The session is gone: each replay starts from nothing, in a child of its own.
    json replayed = json::array();
    for (const auto& replay : replays) {
        auto start = std::chrono::steady_clock::now();
        CheckResult r = RunInChild([&] { return Replay(o, event, replay.event, replay.failure, files); },
                                   o.timeout, false, [](const std::string& p) { ReportProgress(p); });
        variants.push_back(
            {Name(event, replay.event, "replayed from the start: " + replay.open + " was open", replay.code),
             r, Since(start), replay.code});
        replayed.push_back(variants.back().name);
    }
    json list = json::array();
    for (const auto& v : variants)
        list.push_back(VariantJson(v));
    CheckResult r;
    r.data = {{"events", seen},
              {"met", met},
              {"variants", list},
              {"replayed", replayed},
              {"seconds", Since(started)}};
    return r;
}

} // namespace

json SweepEvents(CheckContext& c, SweptEvent event, const std::vector<UInt64>& chosen, SweepTally& tally) {
    if (chosen.empty())
        return {{"chosen", 0}, {"run", 0}};
    FileServiceProcess files;
    size_t jobs = std::max<size_t>(1, std::min<size_t>(size_t(c.options.jobs), chosen.size()));
    // Interleaved shares: every worker meets early and late events alike.
    std::vector<std::vector<UInt64>> shares(jobs);
    for (size_t i = 0; i < chosen.size(); ++i)
        shares[i % jobs].push_back(chosen[i]);
    Children workers;
    for (const auto& share : shares)
        workers.Spawn([&] { return Work(c.options, event, share, files.BaseAddress()); }, false);
    size_t run = 0, met = 0;
    json replayed = json::array(), perCode = json::object();
    std::set<UInt64> events;
    while (workers.Running() > 0) {
        auto [number, w] =
            workers.WaitAny(c.options.timeout, [&c](int, const std::string& p) { c.Progress(p); });
        if (w.outcome != Outcome::Passed) {
            // A worker that failed, crashed or timed out ran its share only in part.
            tally.AddFault("a worker of the sweep", w);
            continue;
        }
        events.insert(w.data.at("events").get<UInt64>());
        met += w.data.at("met").get<size_t>();
        for (const auto& name : w.data.at("replayed"))
            replayed.push_back(name);
        for (const auto& v : w.data.at("variants")) {
            ++run;
            if (v.contains("code"))
                Count(perCode, v.at("code").get<std::string>(), 1);
            tally.Add(v.at("name").get<std::string>(), ResultFromJson(v), v.at("seconds").get<double>());
        }
    }
    // Every worker's clean session met the same events, or the numbering means nothing.
    if (events.size() > 1)
        tally.AddFault(
            "the sweep",
            {Outcome::Failed, "the workers' clean sessions made different numbers of events", {}, {}, {}});
    if (met < chosen.size())
        tally.AddFault("the sweep",
                       {Outcome::Failed,
                        std::to_string(chosen.size() - met) + " of the chosen events were not met",
                        {},
                        {},
                        {}});
    json data = {{"chosen", chosen.size()}, {"met", met},      {"run", run},
                 {"replayed", replayed},    {"workers", jobs}, {"perCode", perCode}};
    if (!events.empty())
        data["events"] = *events.rbegin();
    return data;
}

} // namespace simhost::validate
