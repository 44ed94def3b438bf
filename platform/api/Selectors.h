#pragma once

#include "gs/Types.h"

// The sub-operations of the four selector requests (listed with their contracts in
// HostFunctions.def).
enum class Selector : GSType {
#define QV_SELECTOR(request, code, name, params, args) code = FourCC(#code),
#include "api/HostFunctions.def"
};

// The module command of the add-on.
constexpr GSType CommandSelect = FourCC("SELE");
