#include "support/InProcessHost.h"

#include "support/InProcessAddOn.h"

#include "host/EntryPoints.h"
#include "host/HostApi.h"

namespace testing_support {

InProcessHost::InProcessHost(bool initialise) {
    session.LoadInProcess(InProcessAddOn());
    if (initialise) {
        lifecycle = session.RunLifecycle();
        EXPECT_TRUE(lifecycle.completed) << lifecycle.failedStep << " " << lifecycle.code;
    }
}

InProcessHost::~InProcessHost() {
    if (session.IsLoaded())
        session.Unload(true);
}

std::vector<std::string> InProcessHost::TakeDebugLines() {
    std::vector<std::string> lines(host.debugLines.begin() + std::ptrdiff_t(debugSeen),
                                   host.debugLines.end());
    debugSeen = host.debugLines.size();
    return lines;
}

} // namespace testing_support
