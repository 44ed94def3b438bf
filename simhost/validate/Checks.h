#pragma once

// The bodies of the checks of Checks.def, each defined in the file of its idea.

#include "validate/Validator.h"

#include <string>

namespace simhost::validate {

#define QV_CHECK(id, order, scope, level, body, description) CheckResult body(CheckContext& c);
#define QV_CHECK_PER_SCRIPT_FUNCTION(prefix, order, scope, level, body, description)                         \
    CheckResult body(CheckContext& c, const std::string& function);
#include "validate/Checks.def"

} // namespace simhost::validate
