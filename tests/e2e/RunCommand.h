#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace testing_support {

struct CommandOutput {
    int exitCode = -1; // -1 when the command did not exit normally
    std::string out;
};

// Runs a shell command and collects its standard output.
inline CommandOutput RunCommand(const std::string& command) {
    CommandOutput o;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return o;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        o.out.append(buffer, n);
    int status = pclose(pipe);
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

} // namespace testing_support
