#pragma once

// The program's own allocations (operator new, malloc) made while an add-on's code runs: counted,
// and made to fail one at a time. The simhost program replaces its global operator new and malloc
// (cli/ReplacedAllocation.cpp) so that they ask NextAllocationFails before each allocation; in a
// program without them nothing asks, and nothing is counted.
#include "gs/Types.h"

#include <atomic>
#include <functional>

namespace simhost::allocations {

// Whether this program's allocations are seen at all (the replaced functions are linked in).
bool Seen();
// Called once by the replaced functions when they are linked in.
void MarkSeen();

// Decides whether the n-th allocation (from 1) fails. It may allocate: what it allocates is not
// counted.
using Decision = std::function<bool(UInt64 allocation)>;
// From now on allocations made while the add-on's code runs are counted from 0 and `decide`
// (when given) is asked about each.
void Start(Decision decide = nullptr);
// Counting stops; nothing fails.
void Stop();
UInt64 Count();

// Whether counting runs: read first on every allocation of the program, also before main and on
// every thread, so a plain flag, and nothing else is touched while it is false.
extern std::atomic<bool> counting;

// Counts the allocation when the add-on's code runs on this thread, and answers whether it fails.
bool CountedAllocationFails();

// Asked by the replaced functions before each allocation.
inline bool NextAllocationFails() {
    return counting.load(std::memory_order_relaxed) && CountedAllocationFails();
}

// While one lives, allocations on this thread are not counted: those a replaced function makes
// through the allocator it hands on to, and those of the decision itself.
class Uncounted {
public:
    Uncounted();
    ~Uncounted();
    Uncounted(const Uncounted&) = delete;
    Uncounted& operator=(const Uncounted&) = delete;

private:
    bool active;
};

} // namespace simhost::allocations
