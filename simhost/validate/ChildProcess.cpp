#include "validate/ChildProcess.h"

#include "runtime/Pipes.h"
#include "validate/Report.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace simhost::validate {

using nlohmann::json;

namespace {

std::string SessionFolderPrefix(long pid) {
    return "simhost-validate-" + std::to_string(pid) + "-";
}

// Where sessions make their folders: /dev/shm when there is one (sessions write, sync and remove
// many small files, thousands of times in a sweep), else /tmp.
const std::string& SessionFolderRoot() {
    static const std::string root = ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "/tmp";
    return root;
}

// Where this process reports progress and its result: the pipe to the process that forked it.
int reportFd = -1;
// When this process last told its parent it is alive.
auto lastReport = std::chrono::steady_clock::now();

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

std::string SignalName(int signal) {
    static const std::map<int, const char*> names = {
        {SIGSEGV, "SIGSEGV"}, {SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
        {SIGILL, "SIGILL"},   {SIGKILL, "SIGKILL"}, {SIGTERM, "SIGTERM"}, {SIGTRAP, "SIGTRAP"},
        {SIGPIPE, "SIGPIPE"}, {SIGSYS, "SIGSYS"}};
    auto n = names.find(signal);
    return n != names.end() ? n->second : "signal " + std::to_string(signal);
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

bool CanFork() {
    return true;
}

void ReportToParent() {} // a forked child reports through its pipe from the start

void ReportProgress(const std::string& what) {
    if (reportFd >= 0) {
        WriteAll(reportFd, "P " + OneLine(what) + "\n");
        lastReport = std::chrono::steady_clock::now();
    }
}

std::filesystem::path MakeSessionFolder(const std::string& kind) {
    std::string pattern = SessionFolderRoot() + "/" + SessionFolderPrefix(::getpid()) + kind + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
        throw std::runtime_error("cannot make a folder in " + SessionFolderRoot());
    return name.data();
}

// One child being watched: the read ends of its pipes and what it has said so far.
struct Children::Child {
    pid_t pid = -1;
    bool newGroup = false;
    int results = -1, errors = -1;
    std::optional<CheckResult> answered;
    std::string pending, errorTail, lastProgress;
    std::chrono::steady_clock::time_point lastSign = std::chrono::steady_clock::now();
    bool killed = false;
};

Children::Children() : owner(::getpid()) {}

Children::~Children() {
    if (::getpid() != owner)
        return; // a child's copy: the children are its siblings, not its own
    for (auto& [number, c] : running) {
        ::kill(c->newGroup ? -c->pid : c->pid, SIGKILL);
        ::close(c->results);
        ::close(c->errors);
        while (::waitpid(c->pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

size_t Children::Running() const {
    return running.size();
}

int Children::Fork(bool newGroup) {
    int results[2], errors[2];
    sys::MakePipes(results, errors);
    pid_t pid = ::fork();
    if (pid < 0) {
        sys::ClosePipe(results);
        sys::ClosePipe(errors);
        throw std::runtime_error(std::string("cannot fork: ") + std::strerror(errno));
    }
    if (pid == 0) {
        if (newGroup)
            ::setpgid(0, 0);
        if (reportFd >= 0)
            ::close(reportFd);
        for (auto& [number, c] : running) {
            ::close(c->results);
            ::close(c->errors);
        }
        running.clear();
        ::close(results[0]);
        ::close(errors[0]);
        ::dup2(errors[1], STDERR_FILENO);
        ::close(errors[1]);
        reportFd = results[1];
        lastReport = std::chrono::steady_clock::now();
        HostCosts::SpentInProcess().clear();
        return -1;
    }
    ::close(results[1]);
    ::close(errors[1]);
    auto child = std::make_unique<Child>();
    child->pid = pid;
    child->newGroup = newGroup;
    child->results = results[0];
    child->errors = errors[0];
    running.emplace(next, std::move(child));
    return next++;
}

int Children::Spawn(const std::function<CheckResult()>& body, bool newGroup) {
    int number = Fork(newGroup);
    if (number >= 0)
        return number;
    CheckResult r;
    try {
        r = body();
    } catch (const std::exception& e) {
        r = {Outcome::Failed, std::string("the check stopped on an exception: ") + e.what(), {}, {}, {}};
    } catch (...) {
        r = {Outcome::Failed, "the check stopped on an exception of unknown type", {}, {}, {}};
    }
    AnswerAndExit(r);
}

void AnswerAndExit(const CheckResult& result) {
    json answer = ResultToJson(result);
    answer["hostCostSpent"] = CostAccountJson(HostCosts::SpentInProcess());
    WriteAll(reportFd, "R " + answer.dump(-1, ' ', false, json::error_handler_t::replace) + "\n");
    ::_exit(0);
}

std::pair<int, CheckResult>
Children::WaitAny(double timeout, const std::function<void(int, const std::string&)>& onProgress) {
    if (running.empty())
        throw std::logic_error("no child to wait for");
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::pair<Child*, bool>> owners; // the child, and whether the pipe is its results
        for (auto& [number, c] : running) {
            if (c->results >= 0) {
                fds.push_back({c->results, POLLIN, 0});
                owners.emplace_back(c.get(), true);
            }
            if (c->errors >= 0) {
                fds.push_back({c->errors, POLLIN, 0});
                owners.emplace_back(c.get(), false);
            }
        }
        int ready = ::poll(fds.data(), fds.size(), 100);
        if (ready < 0 && errno != EINTR)
            throw std::runtime_error(std::string("cannot watch children: ") + std::strerror(errno));
        char buffer[65536];
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Child& c = *owners[i].first;
            int& fd = owners[i].second ? c.results : c.errors;
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ::close(fd);
                fd = -1;
                continue;
            }
            if (!owners[i].second) {
                c.errorTail.append(buffer, size_t(n));
                if (c.errorTail.size() > 256 * 1024)
                    c.errorTail.erase(0, c.errorTail.size() - 128 * 1024);
                continue;
            }
            c.pending.append(buffer, size_t(n));
            for (size_t nl; (nl = c.pending.find('\n')) != std::string::npos; c.pending.erase(0, nl + 1)) {
                std::string line = c.pending.substr(0, nl);
                c.lastSign = std::chrono::steady_clock::now();
                if (line.rfind("P ", 0) == 0) {
                    c.lastProgress = line.substr(2);
                    if (onProgress)
                        onProgress(NumberOf(c), c.lastProgress);
                } else if (line.rfind("R ", 0) == 0) {
                    json answer = json::parse(line.substr(2));
                    c.answered = ResultFromJson(answer);
                    if (answer.contains("hostCostSpent"))
                        AddToCostAccount(HostCosts::SpentInProcess(), answer["hostCostSpent"]);
                }
            }
        }
        for (auto& [number, c] : running) {
            if (!c->killed && Seconds(c->lastSign) > timeout) {
                ::kill(c->newGroup ? -c->pid : c->pid, SIGKILL);
                c->killed = true;
            }
            if (c->results < 0 && c->errors < 0) {
                int ended = number;
                CheckResult r = Reap(*c, timeout);
                running.erase(ended);
                return {ended, r};
            }
        }
        // Waiting is work too: the parent is told this process is alive, watching.
        if (reportFd >= 0 && Seconds(lastReport) > 1)
            ReportProgress("waiting for a child process");
    }
}

int Children::NumberOf(const Child& child) const {
    for (const auto& [number, c] : running)
        if (c.get() == &child)
            return number;
    return -1;
}

CheckResult Children::Reap(Child& c, double timeout) {
    int status = 0;
    while (::waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
    }
    bool answeredWell = c.answered && !c.killed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!answeredWell) {
        // A child that crashed or was killed left its session's folder behind.
        std::error_code ignored;
        const std::string prefix = SessionFolderPrefix(c.pid);
        for (const auto& entry : std::filesystem::directory_iterator(SessionFolderRoot(), ignored))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                std::filesystem::remove_all(entry.path(), ignored);
    }
    if (c.killed) {
        if (c.newGroup)
            ::kill(-c.pid, SIGKILL); // whatever the child forked goes with it
        CheckResult r{Outcome::TimedOut,
                      "no progress for " + std::to_string(int(timeout)) + " s",
                      {},
                      c.lastProgress,
                      {}};
        if (!c.lastProgress.empty())
            r.detail += " while: " + c.lastProgress;
        return r;
    }
    if (answeredWell)
        return *c.answered;
    CheckResult r{Outcome::Crashed, {}, {}, c.lastProgress, {}};
    if (WIFSIGNALED(status)) {
        r.signal = SignalName(WTERMSIG(status));
        r.detail = "killed by " + r.signal;
    } else {
        r.detail = "exited with code " + std::to_string(WEXITSTATUS(status)) + " without an answer";
    }
    ExplainDeath(r, c.errorTail);
    if (!c.lastProgress.empty())
        r.detail += " (while: " + c.lastProgress + ")";
    std::string& errorTail = c.errorTail;
    if (errorTail.size() > 8192)
        errorTail.erase(0, errorTail.size() - 8192);
    r.data = {{"stderr", errorTail}};
    return r;
}

CheckResult RunInChild(const std::function<CheckResult()>& body, double timeout, bool newGroup,
                       const std::function<void(const std::string&)>& onProgress) {
    try {
        Children children;
        children.Spawn(body, newGroup);
        return children
            .WaitAny(timeout,
                     [&onProgress](int, const std::string& line) {
                         if (onProgress)
                             onProgress(line);
                     })
            .second;
    } catch (const std::exception& e) {
        return {Outcome::Failed, e.what(), {}, {}, {}};
    }
}

} // namespace simhost::validate
