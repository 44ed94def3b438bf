// Which events a sweep fails: the same choice on every system, whether or not it can run the
// variants (EventSweep.cpp forks them; EventSweepWithoutFork.cpp cannot).
#include "validate/EventSweep.h"

#include <algorithm>
#include <set>

namespace simhost::validate {

std::vector<UInt64> EventsToFail(UInt64 count, bool full, std::mt19937_64& random) {
    std::vector<UInt64> ks;
    const UInt64 reduced = 24;
    if (full || count <= reduced) {
        for (UInt64 k = 1; k <= count; ++k)
            ks.push_back(k);
        return ks;
    }
    std::set<UInt64> chosen;
    for (UInt64 k = 1; k <= 6; ++k)
        chosen.insert(k);
    for (UInt64 k = count - 3; k <= count; ++k)
        chosen.insert(k);
    UInt64 step = count / (reduced - 10);
    for (UInt64 k = 7; k < count - 3 && chosen.size() < reduced; k += step)
        chosen.insert(std::min<UInt64>(count - 4, k + random() % std::max<UInt64>(1, step)));
    return {chosen.begin(), chosen.end()};
}

} // namespace simhost::validate
