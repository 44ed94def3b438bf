#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace simhost::validate {

// The local file service serving the sample files, in a process of its own. A process that forks
// children halfway through a session must have no threads (a child gets only the thread that
// forked it), so its sessions use this service instead of one on a thread of their own.
class FileServiceProcess {
public:
    // Throws std::runtime_error when the service cannot be started.
    FileServiceProcess();
    ~FileServiceProcess();
    FileServiceProcess(const FileServiceProcess&) = delete;
    FileServiceProcess& operator=(const FileServiceProcess&) = delete;

    // "http://127.0.0.1:<port>".
    const std::string& BaseAddress() const { return address; }

private:
    void Stop();

    pid_t pid = -1;
    std::filesystem::path folder;
    std::string address;
};

} // namespace simhost::validate
