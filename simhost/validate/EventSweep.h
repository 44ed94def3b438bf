#pragma once

// Sweeps that fail one event of the standard session at a time, alone: the n-th host call (of any
// operation, selectors included), or the n-th allocation made while the add-on's code runs.
//
// A variant does not replay the session up to its event. A worker runs the clean session and, at
// each chosen event, forks a child in which that event fails; the child runs the session to its
// end, saves and reopens the project, makes the next import and answers, while the worker waits
// for it and goes on cleanly. So every variant fails exactly the event the clean session met, and
// costs only what follows it. Workers run side by side, each with a share of the events.

#include "gs/Types.h"
#include "validate/SweepTally.h"
#include "validate/Validator.h"

#include <nlohmann/json.hpp>

#include <random>
#include <string>
#include <vector>

namespace simhost::validate {

enum class SweptEvent { HostCall, Allocation };

// The detail of a variant skipped because its allocation could not fail survivably.
extern const char* const UnfailableAllocation;

// Which of `count` events a sweep fails, ascending from 1: every one when `full` or when there are
// few, else 24 (the first six, the last four and an even spread with a jitter drawn from `random`).
std::vector<UInt64> EventsToFail(UInt64 count, bool full, std::mt19937_64& random);

// Runs the standard session with every chosen event failing in turn (`chosen` ascending, from 1),
// each variant counted in `tally`; a host call fails once with each failure its operation's
// contract names. Answers what the sweep saw: the events the workers' clean sessions made, how
// many events were chosen and met, how many variants ran and with which code ("perCode"), and
// which were replayed from the start.
nlohmann::json SweepEvents(CheckContext& c, SweptEvent event, const std::vector<UInt64>& chosen,
                           SweepTally& tally);

} // namespace simhost::validate
