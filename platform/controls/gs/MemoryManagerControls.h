#pragma once

#include "gs/Types.h"

#include <functional>

// The host's own controls of its memory manager: what simhost and the tests use to make memory
// run out and to count what is held. Not part of what the add-on is built against: this folder is
// on the include path of the host and the tests only.
namespace BM {
// After `skip` further successful allocations, the next `count` allocations fail.
void FailAllocations(UInt64 skip, UInt64 count);
void ClearFailures();
// Allocations made (successful or not) since start or the last ResetStatistics.
UInt64 AllocationCount();
// Blocks and handles allocated and not yet freed.
Int64 LiveBlocks();
void ResetStatistics();
// Told when a caller hands over a pointer or handle the memory manager does not hold (released
// before, or never its own): the call then does nothing with it. Null: nobody is told.
void SetMisuseHandler(std::function<void(const char* what)> handler);
} // namespace BM
