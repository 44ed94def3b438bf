#pragma once

#include "validate/ChildProcess.h"

#include <gtest/gtest.h>

// Skips a test that forks (to fail allocations one at a time, or to watch a child die or hang)
// where the system cannot fork (Windows); the Linux build runs it.
#define SKIP_WITHOUT_FORK()                                                                                  \
    if (!simhost::validate::CanFork())                                                                       \
    GTEST_SKIP() << "needs fork, which this system does not have; the Linux build runs it"
