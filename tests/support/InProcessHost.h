#pragma once

#include "runtime/Host.h"
#include "runtime/Session.h"
#include "support/InProcessAddOn.h"

#include <gtest/gtest.h>

#include <memory>

namespace testing_support {

// simhost with the add-on's code linked into the test: the host's lifecycle runs through the
// add-on's real entry points, without dlopen.
class InProcessHost {
public:
    // Loads the add-on; runs the whole lifecycle when `initialise`.
    explicit InProcessHost(bool initialise = true);
    ~InProcessHost();

    simhost::Host host;
    simhost::Session session{host};
    simhost::LifecycleResult lifecycle;

    // Debug lines written since construction or the last call.
    std::vector<std::string> TakeDebugLines();

private:
    size_t debugSeen = 0;
};

} // namespace testing_support
