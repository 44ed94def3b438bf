#pragma once

// Another program run by this one, with pipes on its standard output and error: one
// implementation per system (ProcessPosix.cpp: fork and exec; ProcessWindows.cpp: CreateProcessW).
// It inherits this process's environment and working folder.

#include <memory>
#include <string>
#include <vector>

namespace simhost {

class ChildProgram {
public:
    // Starts the program `arguments[0]` (a path) with the other arguments, each passed as it
    // is. std::runtime_error when it cannot be started.
    explicit ChildProgram(const std::vector<std::string>& arguments);
    // Kills it when it still runs.
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Appends to `out` and `err` what the program wrote, waiting up to `seconds` for the first
    // bytes; false once both streams have ended.
    bool Read(std::string& out, std::string& err, double seconds);
    void Kill();
    // Waits for its end (reading what it still writes into the streams given).
    struct Ending {
        bool exited = false; // it ended by itself with an exit code
        int code = -1;       // the exit code when it exited
        std::string crash;   // else what ended it: the signal (SIGSEGV) or the exception (0xC0000005)
    };
    Ending Wait(std::string& out, std::string& err);

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace simhost
