#include "gs/Time.h"

#include <ctime>

namespace {
std::function<Int64()>& Clock() {
    static std::function<Int64()> clock;
    return clock;
}
} // namespace

namespace GS {
void SetClock(std::function<Int64()> secondsSinceEpoch) {
    Clock() = std::move(secondsSinceEpoch);
}
} // namespace GS

void TIGetTimeRecord(Int64 time, GSTimeRecord* record, Int32 mode) {
    if (record == nullptr)
        return;
    if (time == 0)
        time = Clock() ? Clock()() : Int64(std::time(nullptr));
    std::time_t t = std::time_t(time);
    std::tm parts{};
    if (mode == TI_LocalTime)
        localtime_r(&t, &parts);
    else
        gmtime_r(&t, &parts);
    *record = GSTimeRecord{
        UInt16(parts.tm_year + 1900), UInt16(parts.tm_mon + 1), UInt16(parts.tm_wday), UInt16(parts.tm_mday),
        UInt16(parts.tm_hour),        UInt16(parts.tm_min),     UInt16(parts.tm_sec),  0};
}
