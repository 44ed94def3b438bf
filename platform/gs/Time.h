#pragma once

#include "gs/Types.h"

#include <functional>

// The host's time service.
struct GSTimeRecord {
    UInt16 year;
    UInt16 month;
    UInt16 dayOfWeek; // 0 = Sunday
    UInt16 day;
    UInt16 hour;
    UInt16 minute;
    UInt16 second;
    UInt16 millisecond;
};
static_assert(sizeof(GSTimeRecord) == 16);

constexpr Int32 TI_LocalTime = 1;
constexpr Int32 TI_UniversalTime = 2;

// Calendar form of `time` (seconds since 1970; 0 stands for now) in the given mode.
void TIGetTimeRecord(Int64 time, GSTimeRecord* record, Int32 mode);

namespace GS {
// The clock behind "now": the host may set a fixed one; without one the system clock.
void SetClock(std::function<Int64()> secondsSinceEpoch);
} // namespace GS
