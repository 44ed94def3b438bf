#pragma once

#include "gs/Types.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct AllocationFailures {
    UInt64 allocations = 0;          // the allocations `body` made when none failed
    std::vector<std::string> faults; // "allocation k: what went wrong", for every k that went wrong
    UInt64 unfailable = 0;           // allocations made where no exception may leave
};

// Runs `attempt` once per allocation the add-on's code makes in it, with that one allocation failing
// (operator new throws, malloc answers null), each time in a child process of its own, as
// `simhost validate` does; then nothing fails any more and `check` answers what it finds wrong
// (empty: nothing). An exception that leaves `attempt` is a fault unless `mayThrow` (a script
// function ends with a script error); a crash or a hang is one always. An allocation whose
// std::bad_alloc meets a function no exception may leave (a destructor of the JSON library) ends
// the child by the language's rule: it is counted as unfailable, not as a fault.
AllocationFailures FailEachAllocation(const std::function<void()>& attempt, bool mayThrow,
                                      const std::function<std::string()>& check = nullptr);

} // namespace testing_support
