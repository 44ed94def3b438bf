#include "validate/ChildProcess.h"

#include "validate/Report.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace simhost::validate {

using nlohmann::json;

namespace {

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

void ReportProgress(const std::string& what) {
    if (reportFd >= 0)
        WriteAll(reportFd, "P " + OneLine(what) + "\n");
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

} // namespace simhost::validate
