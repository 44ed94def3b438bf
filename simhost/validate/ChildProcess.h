#pragma once

// Child-process supervision: a check, or one variant of a sweep, runs in a forked child that tells
// its parent what it is doing; a child that goes quiet for too long is killed, one that dies is
// reported with its signal, and this process goes on.

#include "validate/Validator.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>

namespace simhost::validate {

// Whether this system can fork (Linux). Where it cannot (Windows), simhost validate runs each check
// in a fresh simhost process of its own, and what a check isolates inside it (RunInChild,
// Children::Spawn) runs in that same process, one after the other; Children::Fork throws.
bool CanFork();
// Where the system cannot fork: this process runs one check for the validator that started it,
// and its progress (ReportProgress) and result (AnswerAndExit) go to its standard output.
void ReportToParent();

// Progress of the check running in this process (CheckContext::Progress without a context).
void ReportProgress(const std::string& what);

// Makes a new folder for a session of this process, named for the process so that what a child
// that died left behind can be removed; `kind` and six random characters end its name.
// std::runtime_error when it cannot.
std::filesystem::path MakeSessionFolder(const std::string& kind);

// Children of this process, watched: each tells this process what it is doing and answers a result;
// one that goes quiet for too long is killed, one that dies is reported with its signal.
class Children {
public:
    Children();
    // Kills and reaps the children still running (in the process that forked them).
    ~Children();
    Children(const Children&) = delete;
    Children& operator=(const Children&) = delete;

    // Forks a child that reports to this process: answers -1 in the child, whose progress and
    // result from now on go to this process, and the child's number here. `newGroup` puts the
    // child into a process group of its own. Throws std::runtime_error when it cannot fork.
    int Fork(bool newGroup);
    // Forks a child that runs `body` and answers its result (an exception that leaves it fails
    // it); answers the child's number.
    int Spawn(const std::function<CheckResult()>& body, bool newGroup);
    size_t Running() const;
    // Waits until one of the running children ends, or is killed after `timeout` seconds without
    // a sign of it: answers its number and its result. While it waits, this process tells its own
    // parent that it is alive.
    std::pair<int, CheckResult> WaitAny(double timeout,
                                        const std::function<void(int child, const std::string&)>& onProgress);

private:
    struct Child;
    int NumberOf(const Child& child) const;
    CheckResult Reap(Child& child, double timeout);

    pid_t owner;
    int next = 0;
    std::map<int, std::unique_ptr<Child>> running;
};

// In a child forked by Children::Fork: hands `result` to the parent and ends the process.
[[noreturn]] void AnswerAndExit(const CheckResult& result);

// Runs `body` in a forked child with the given limit of time without progress. `onProgress`
// receives its progress lines; `newGroup` puts the child into a process group of its own.
CheckResult RunInChild(const std::function<CheckResult()>& body, double timeout, bool newGroup,
                       const std::function<void(const std::string&)>& onProgress);

} // namespace simhost::validate
