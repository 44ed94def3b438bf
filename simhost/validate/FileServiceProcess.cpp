#include "validate/FileServiceProcess.h"

#include "runtime/FileService.h"
#include "runtime/Pipes.h"
#include "validate/ChildProcess.h"
#include "validate/Samples.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace simhost::validate {

FileServiceProcess::FileServiceProcess() {
    folder = MakeSessionFolder("served-");
    for (const auto& f : SampleFiles())
        std::ofstream(folder / f.uuid, std::ios::binary) << f.bytes;
    int ready[2];
    sys::MakePipe(ready);
    pid_t parent = ::getpid();
    pid = ::fork();
    if (pid < 0) {
        sys::ClosePipe(ready);
        throw std::runtime_error("cannot fork the file service");
    }
    if (pid == 0) {
        // It serves until it is killed, or its parent dies.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(0);
        ::close(ready[0]);
        LocalFileService service(folder.string());
        std::string line = service.BaseAddress() + "\n";
        if (::write(ready[1], line.data(), line.size()) != ssize_t(line.size()))
            ::_exit(1);
        ::close(ready[1]);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char c;
    while (::read(ready[0], &c, 1) == 1 && c != '\n')
        address.push_back(c);
    ::close(ready[0]);
    if (address.empty()) {
        Stop();
        throw std::runtime_error("the file service did not start");
    }
}

FileServiceProcess::~FileServiceProcess() {
    Stop();
}

void FileServiceProcess::Stop() {
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid = -1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace simhost::validate
