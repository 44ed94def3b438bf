#include "runtime/System.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

namespace simhost::sys {

void* OpenModule(const std::string& path, std::string& why) {
    dlerror();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = dlerror();
        why = reason ? reason : "unknown reason";
    }
    return module;
}

void* ModuleSymbol(void* module, const char* name) {
    return dlsym(module, name);
}

void CloseModule(void* module) {
    dlclose(module);
}

int ProcessId() {
    return int(::getpid());
}

void ReplaceFileDurably(const std::string& path, const std::string& temporary, const std::string& bytes) {
    auto fail = [&](const char* what, int error) {
        ::unlink(temporary.c_str());
        throw std::runtime_error(std::string(what) + ": " + std::strerror(error));
    };
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        throw std::runtime_error(std::string("cannot write: ") + std::strerror(errno));
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int saved = errno;
            ::close(fd);
            fail("cannot write", saved);
        }
        written += size_t(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0)
        fail("cannot write", errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        fail("cannot replace", errno);
    // Make the rename itself durable.
    std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/'));
    if (folder.empty())
        folder = "/";
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        (void)::fsync(dir); // best effort: the data itself is already on disk
        ::close(dir);
    }
}

long PeakMemoryKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double ProcessorSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string CaptureStandardError(const std::function<void()>& body) {
    char name[] = "/tmp/simhost-stderr-XXXXXX";
    int file = ::mkstemp(name);
    if (file < 0) {
        body();
        return {};
    }
    std::fflush(stderr);
    int saved = ::dup(STDERR_FILENO);
    ::dup2(file, STDERR_FILENO);
    body();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(file);
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    ::unlink(name);
    return text.str();
}

namespace {

volatile std::sig_atomic_t stopRequested = 0;
extern "C" void OnStopSignal(int) {
    stopRequested = 1;
}
struct sigaction oldInterrupt {};
struct sigaction oldTerminate {};
struct sigaction oldPipe {};

} // namespace

StopRequests::StopRequests() {
    stopRequested = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInterrupt);
    sigaction(SIGTERM, &action, &oldTerminate);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &oldPipe); // a page that goes away mid-answer
}

StopRequests::~StopRequests() {
    sigaction(SIGINT, &oldInterrupt, nullptr);
    sigaction(SIGTERM, &oldTerminate, nullptr);
    sigaction(SIGPIPE, &oldPipe, nullptr);
}

bool StopRequests::Requested() {
    return stopRequested != 0;
}

} // namespace simhost::sys
