#include "runtime/AllocationFaults.h"

#include "gs/AddOnCode.h"

#include <atomic>

namespace simhost::allocations {

namespace {

// Read before anything else on every allocation of the program, also before main and on every
// thread: a plain flag, so that nothing else (thread-local storage, the platform library) is
// touched until counting starts.
std::atomic<bool> counting{false};
bool seen = false;
UInt64 count = 0;
Decision* decision = nullptr;
thread_local int uncounted = 0;

} // namespace

bool Seen() {
    return seen;
}

void MarkSeen() {
    seen = true;
}

void Start(Decision decide) {
    Stop();
    count = 0;
    decision = decide ? new Decision(std::move(decide)) : nullptr;
    counting = true;
}

void Stop() {
    counting = false;
    delete decision;
    decision = nullptr;
}

UInt64 Count() {
    return count;
}

bool NextAllocationFails() {
    if (!counting.load(std::memory_order_relaxed) || uncounted > 0 || !GS::AddOnCodeRunning())
        return false;
    ++count;
    if (decision == nullptr)
        return false;
    Uncounted own;
    return (*decision)(count);
}

Uncounted::Uncounted() : counting(allocations::counting.load(std::memory_order_relaxed)) {
    if (counting)
        ++uncounted;
}

Uncounted::~Uncounted() {
    if (counting)
        --uncounted;
}

} // namespace simhost::allocations
