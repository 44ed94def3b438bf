// The event sweeps where the system cannot fork (Windows): their variants fork from the running
// session, so there are none; the sweep checks report themselves skipped before they get here.
#include "validate/EventSweep.h"

namespace simhost::validate {

nlohmann::json SweepEvents(CheckContext&, SweptEvent, const std::vector<UInt64>& chosen, SweepTally&) {
    return {{"events", chosen.size()}, {"run", 0}, {"skipped", "this system cannot fork"}};
}

} // namespace simhost::validate
