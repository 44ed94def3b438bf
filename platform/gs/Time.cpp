#include "gs/Time.h"

#include "gs/System.h"

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
    *record = GS::CalendarTime(time, mode == TI_LocalTime);
}
