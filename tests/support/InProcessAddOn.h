#pragma once

#include "runtime/Session.h"

namespace testing_support {
// The add-on's exports and load/unload hooks as linked into this program, for simhost to load
// without dlopen.
simhost::AddOnImage InProcessAddOn();
} // namespace testing_support
