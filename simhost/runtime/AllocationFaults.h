#pragma once

// The program's own allocations (operator new, malloc) made while an add-on's code runs: counted,
// and made to fail one at a time. The simhost program replaces its global operator new and malloc
// (cli/ReplacedAllocation.cpp) so that they ask NextAllocationFails before each allocation; in a
// program without them nothing asks, and nothing is counted.
#include "gs/Types.h"

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

// Asked by the replaced functions before each allocation: counts it when counting runs and the
// add-on's code runs on this thread, and answers whether it fails.
bool NextAllocationFails();

// While one lives, allocations on this thread are not counted: those a replaced function makes
// through the allocator it hands on to, and those of the decision itself.
class Uncounted {
public:
    Uncounted();
    ~Uncounted();
    Uncounted(const Uncounted&) = delete;
    Uncounted& operator=(const Uncounted&) = delete;

private:
    bool counting;
};

} // namespace simhost::allocations
