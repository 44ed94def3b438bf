#include "runtime/AllocationFaults.h"

#include "gs/AddOnCode.h"

namespace simhost::allocations {

std::atomic<bool> counting{false};

namespace {

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

bool CountedAllocationFails() {
    if (uncounted > 0 || !GS::AddOnCodeRunning())
        return false;
    ++count;
    if (decision == nullptr)
        return false;
    Uncounted own;
    return (*decision)(count);
}

Uncounted::Uncounted() : active(counting.load(std::memory_order_relaxed)) {
    if (active)
        ++uncounted;
}

Uncounted::~Uncounted() {
    if (active)
        --uncounted;
}

} // namespace simhost::allocations
