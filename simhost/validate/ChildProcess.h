#pragma once

// Child-process supervision: a check, or one variant of a sweep, runs in a forked child that tells
// its parent what it is doing; a child that goes quiet for too long is killed, one that dies is
// reported with its signal, and this process goes on.

#include "validate/Validator.h"

#include <functional>
#include <string>

namespace simhost::validate {

// Progress of the check running in this process (CheckContext::Progress without a context).
void ReportProgress(const std::string& what);

// Sessions make their folders in /tmp under names that begin with this prefix and the process
// id, so that RunInChild can remove what a child that died left behind.
std::string SessionFolderPrefix(long pid);

// Runs `body` in a forked child with the given limit of time without progress. `onProgress`
// receives its progress lines; `newGroup` puts the child into a process group of its own.
CheckResult RunInChild(const std::function<CheckResult()>& body, double timeout, bool newGroup,
                       const std::function<void(const std::string&)>& onProgress);

} // namespace simhost::validate
