#include "runtime/Process.h"

#include "runtime/Pipes.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace simhost {

struct ChildProgram::State {
    pid_t pid = -1;
    int out = -1, err = -1;
    bool reaped = false;
    int status = 0;
};

ChildProgram::ChildProgram(const std::vector<std::string>& arguments) : state(new State) {
    if (arguments.empty())
        throw std::runtime_error("no program to run");
    int out[2], err[2];
    sys::MakePipes(out, err);
    // Everything the child needs is made before the fork: it only execs.
    std::vector<char*> argv;
    for (const auto& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    state->pid = ::fork();
    if (state->pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    if (state->pid < 0) {
        ::close(out[0]);
        ::close(err[0]);
        throw std::runtime_error(std::string("cannot fork: ") + std::strerror(errno));
    }
    state->out = out[0];
    state->err = err[0];
}

ChildProgram::~ChildProgram() {
    if (!state->reaped) {
        Kill();
        std::string ignored;
        (void)Wait(ignored, ignored);
    }
    for (int fd : {state->out, state->err})
        if (fd >= 0)
            ::close(fd);
}

bool ChildProgram::Read(std::string& out, std::string& err, double seconds) {
    pollfd fds[2];
    std::string* targets[2];
    int* owners[2];
    nfds_t n = 0;
    for (auto [fd, target] : {std::pair{&state->out, &out}, {&state->err, &err}}) {
        if (*fd < 0)
            continue;
        fds[n] = {*fd, POLLIN, 0};
        targets[n] = target;
        owners[n++] = fd;
    }
    if (n == 0)
        return false;
    if (::poll(fds, n, int(seconds * 1000)) < 0)
        return errno == EINTR;
    char buffer[65536];
    for (nfds_t i = 0; i < n; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        ssize_t got = ::read(*owners[i], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ::close(*owners[i]);
            *owners[i] = -1;
            continue;
        }
        targets[i]->append(buffer, size_t(got));
    }
    return state->out >= 0 || state->err >= 0;
}

void ChildProgram::Kill() {
    if (!state->reaped && state->pid > 0)
        ::kill(state->pid, SIGKILL);
}

ChildProgram::Ending ChildProgram::Wait(std::string& out, std::string& err) {
    while (Read(out, err, 1)) {
    }
    if (!state->reaped) {
        while (::waitpid(state->pid, &state->status, 0) < 0 && errno == EINTR) {
        }
        state->reaped = true;
    }
    Ending e;
    if (WIFEXITED(state->status)) {
        e.exited = true;
        e.code = WEXITSTATUS(state->status);
    } else if (WIFSIGNALED(state->status)) {
        const char* name = sigabbrev_np(WTERMSIG(state->status));
        e.crash = name ? std::string("SIG") + name : "signal " + std::to_string(WTERMSIG(state->status));
    }
    return e;
}

} // namespace simhost
