#pragma once

// What every benchmark needs: the add-on loaded in-process into a simhost, and a stopwatch.
#include "runtime/Host.h"
#include "runtime/Session.h"
#include "support/InProcessAddOn.h"

#include <chrono>
#include <cstdio>

namespace bench {

template <typename F> double Seconds(F f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Loads the add-on and runs its lifecycle; false, with a message, when it did not complete.
inline bool StartAddOn(simhost::Session& session) {
    session.LoadInProcess(testing_support::InProcessAddOn());
    if (session.RunLifecycle().completed)
        return true;
    std::fprintf(stderr, "the add-on's lifecycle did not complete\n");
    return false;
}

} // namespace bench
