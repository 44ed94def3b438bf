#include "validate/Validator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <poll.h>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace simhost::validate {

using nlohmann::json;

namespace {

std::vector<Check>& Registry() {
    static std::vector<Check> checks;
    return checks;
}

// Where this process reports progress and its result: the pipe to the process that forked it.
int reportFd = -1;

void WriteAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= size_t(n);
    }
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string SignalName(int signal) {
    static const std::map<int, const char*> names = {
        {SIGSEGV, "SIGSEGV"}, {SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
        {SIGILL, "SIGILL"},   {SIGKILL, "SIGKILL"}, {SIGTERM, "SIGTERM"}, {SIGTRAP, "SIGTRAP"},
        {SIGPIPE, "SIGPIPE"}, {SIGSYS, "SIGSYS"}};
    auto n = names.find(signal);
    return n != names.end() ? n->second : "signal " + std::to_string(signal);
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

// A child that died without answering: what its standard error says about the death. Sanitizers
// catch the fatal signal themselves and exit, so their report names it.
void ExplainDeath(CheckResult& r, const std::string& errors) {
    static const std::pair<const char*, const char*> signals[] = {
        {"AddressSanitizer: SEGV", "SIGSEGV"}, {"AddressSanitizer: BUS", "SIGBUS"},
        {"AddressSanitizer: FPE", "SIGFPE"},   {"AddressSanitizer: ILL", "SIGILL"},
        {"AddressSanitizer: ABRT", "SIGABRT"}, {"AddressSanitizer: stack-overflow", "SIGSEGV"}};
    for (const auto& [marker, signal] : signals)
        if (errors.find(marker) != std::string::npos && r.signal.empty()) {
            r.signal = signal;
            r.detail = "killed by " + r.signal + " (caught by the sanitizer, which then " + r.detail + ")";
        }
    for (const char* marker : {"SUMMARY: ", "runtime error: ", "terminate called"}) {
        auto at = errors.find(marker);
        if (at != std::string::npos) {
            auto end = errors.find('\n', at);
            r.detail += "; " + errors.substr(at, end == std::string::npos ? std::string::npos : end - at);
            return;
        }
    }
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
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

void ReportProgress(const std::string& what) {
    if (reportFd >= 0)
        WriteAll(reportFd, "P " + OneLine(what) + "\n");
}

void CheckContext::Progress(const std::string& what) {
    ReportProgress(what);
}

CheckResult CheckContext::Isolated(const std::string& what, const std::function<CheckResult()>& body) {
    Progress(what);
    CheckResult r = RunInChild(body, options.timeout, false, [this](const std::string& p) { Progress(p); });
    Progress(what + ": " + OutcomeText(r.outcome));
    return r;
}

std::string SessionFolderPrefix(long pid) {
    return "simhost-validate-" + std::to_string(pid) + "-";
}

CheckResult RunInChild(const std::function<CheckResult()>& body, double timeout, bool newGroup,
                       const std::function<void(const std::string&)>& onProgress) {
    int results[2], errors[2];
    if (::pipe2(results, O_CLOEXEC) != 0 || ::pipe2(errors, O_CLOEXEC) != 0)
        return {Outcome::Failed, std::string("cannot make a pipe: ") + std::strerror(errno), {}, {}, {}};
    pid_t pid = ::fork();
    if (pid < 0)
        return {Outcome::Failed, std::string("cannot fork: ") + std::strerror(errno), {}, {}, {}};
    if (pid == 0) {
        if (newGroup)
            ::setpgid(0, 0);
        if (reportFd >= 0)
            ::close(reportFd);
        ::close(results[0]);
        ::close(errors[0]);
        ::dup2(errors[1], STDERR_FILENO);
        ::close(errors[1]);
        reportFd = results[1];
        CheckResult r;
        try {
            r = body();
        } catch (const std::exception& e) {
            r = {Outcome::Failed, std::string("the check stopped on an exception: ") + e.what(), {}, {}, {}};
        } catch (...) {
            r = {Outcome::Failed, "the check stopped on an exception of unknown type", {}, {}, {}};
        }
        WriteAll(reportFd,
                 "R " + ResultToJson(r).dump(-1, ' ', false, json::error_handler_t::replace) + "\n");
        ::_exit(0);
    }
    ::close(results[1]);
    ::close(errors[1]);

    std::optional<CheckResult> answered;
    std::string pending, errorTail, lastProgress;
    auto lastSign = std::chrono::steady_clock::now();
    bool resultsOpen = true, errorsOpen = true, killed = false;
    while (resultsOpen || errorsOpen) {
        pollfd fds[2] = {{resultsOpen ? results[0] : -1, POLLIN, 0},
                         {errorsOpen ? errors[0] : -1, POLLIN, 0}};
        int ready = ::poll(fds, 2, 100);
        if (ready < 0 && errno != EINTR)
            break;
        char buffer[65536];
        if (resultsOpen && (fds[0].revents & (POLLIN | POLLHUP))) {
            ssize_t n = ::read(results[0], buffer, sizeof buffer);
            if (n <= 0) {
                resultsOpen = false;
            } else {
                pending.append(buffer, size_t(n));
                for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
                    std::string line = pending.substr(0, nl);
                    lastSign = std::chrono::steady_clock::now();
                    if (line.rfind("P ", 0) == 0) {
                        lastProgress = line.substr(2);
                        if (onProgress)
                            onProgress(lastProgress);
                    } else if (line.rfind("R ", 0) == 0) {
                        answered = ResultFromJson(json::parse(line.substr(2)));
                    }
                }
            }
        }
        if (errorsOpen && (fds[1].revents & (POLLIN | POLLHUP))) {
            ssize_t n = ::read(errors[0], buffer, sizeof buffer);
            if (n <= 0) {
                errorsOpen = false;
            } else {
                errorTail.append(buffer, size_t(n));
                if (errorTail.size() > 256 * 1024)
                    errorTail.erase(0, errorTail.size() - 128 * 1024);
            }
        }
        if (!killed && Seconds(lastSign) > timeout) {
            ::kill(newGroup ? -pid : pid, SIGKILL);
            killed = true;
        }
    }
    ::close(results[0]);
    ::close(errors[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // A child that crashed or was killed left its session's folder behind.
    std::error_code ignored;
    const std::string prefix = SessionFolderPrefix(pid);
    for (const auto& entry : std::filesystem::directory_iterator("/tmp", ignored))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            std::filesystem::remove_all(entry.path(), ignored);
    if (killed) {
        if (newGroup)
            ::kill(-pid, SIGKILL); // whatever the check forked goes with it
        CheckResult r{Outcome::TimedOut,
                      "no progress for " + std::to_string(int(timeout)) + " s",
                      {},
                      lastProgress,
                      {}};
        if (!lastProgress.empty())
            r.detail += " while: " + lastProgress;
        return r;
    }
    if (answered && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return *answered;
    CheckResult r{Outcome::Crashed, {}, {}, lastProgress, {}};
    if (WIFSIGNALED(status)) {
        r.signal = SignalName(WTERMSIG(status));
        r.detail = "killed by " + r.signal;
    } else {
        r.detail = "exited with code " + std::to_string(WEXITSTATUS(status)) + " without an answer";
    }
    ExplainDeath(r, errorTail);
    if (!lastProgress.empty())
        r.detail += " (while: " + lastProgress + ")";
    if (errorTail.size() > 8192)
        errorTail.erase(0, errorTail.size() - 8192);
    r.data = {{"stderr", errorTail}};
    return r;
}

json ListJson(const std::vector<const Check*>& checks) {
    json list = json::array();
    for (const Check* c : checks)
        list.push_back({{"id", c->id}, {"description", c->description}});
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

int RunValidate(ValidateOptions v, std::ostream& out, std::ostream& err) {
    for (const Check* c : AllChecks())
        if (!IsKebabCase(c->id))
            err << "simhost validate: check id \"" << c->id << "\" is not kebab-case\n";
    std::vector<const Check*> chosen;
    try {
        chosen = Select(v.selection);
    } catch (const std::regex_error& e) {
        err << "simhost validate: bad regular expression: " << e.what() << "\n";
        return 2;
    }
    if (v.list || v.listJson) {
        if (v.listJson) {
            out << ListJson(chosen).dump(2) << "\n";
        } else {
            for (const Check* c : chosen)
                out << c->id << "  " << c->description << "\n";
        }
        return 0;
    }
    if (!v.seedGiven)
        v.options.seed = std::random_device{}() | (std::uint64_t(std::random_device{}()) << 32);
    if (::access(v.options.addOn.c_str(), R_OK) != 0) {
        err << "simhost validate: cannot read the add-on " << v.options.addOn << "\n";
        return 2;
    }
    bool jsonToOut = v.jsonFile == "-";
    std::ostream& text = jsonToOut ? err : out;
    text << "simhost validate: add-on " << v.options.addOn << ", seed " << v.options.seed
         << (v.options.full ? ", full sweeps" : ", reduced sweeps (--full for all variants)") << "\n"
         << std::flush;
    std::vector<ReportedCheck> reported;
    int faults = 0;
    for (const Check* c : chosen) {
        auto start = std::chrono::steady_clock::now();
        CheckResult r = RunInChild(
            [&] {
                CheckContext context(v.options, *c);
                return c->body(context);
            },
            v.options.timeout, true, nullptr);
        double seconds = Seconds(start);
        reported.push_back({c, r, seconds});
        faults += IsFault(r.outcome) ? 1 : 0;
        char line[128];
        std::snprintf(line, sizeof line, "%-10s %-44s %7.2f s", OutcomeText(r.outcome), c->id.c_str(),
                      seconds);
        text << "  " << line;
        if (!r.detail.empty())
            text << "  " << OneLine(r.detail).substr(0, 2000);
        text << "\n" << std::flush;
    }
    json report = ReportJson(v.options, reported);
    text << reported.size() << " checks:";
    for (const char* o : {"passed", "failed", "crashed", "timed out", "skipped"})
        text << " " << report["summary"][o].get<int>() << " " << o
             << (std::string(o) == "skipped" ? "" : ",");
    text << "; seed " << v.options.seed << "\n";
    if (jsonToOut) {
        out << report.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    } else if (!v.jsonFile.empty()) {
        std::ofstream file(v.jsonFile);
        file << report.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
        if (!file) {
            err << "simhost validate: cannot write " << v.jsonFile << "\n";
            return 2;
        }
    }
    return faults > 0 ? 1 : 0;
}

} // namespace simhost::validate
