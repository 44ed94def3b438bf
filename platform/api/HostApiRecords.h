#pragma once

// Every record exchanged through the host's function table.
#include "api/AttributeRecords.h"
#include "api/Basics.h"
#include "api/CommandRecords.h"
#include "api/ElementRecords.h"
#include "api/EntryRecords.h"
#include "api/ErrorCodes.h"
#include "api/LibraryRecords.h"
#include "api/ProjectRecords.h"
#include "api/PropertyRecords.h"
#include "api/RegistrationRecords.h"
#include "api/Selectors.h"

#include <type_traits>

// The operations' identifiers, in list order; names come from HostFunctions.def.
enum class HostOp : int {
#define QV_HOST_OP(slot, name, result, params, args) name,
#include "api/HostFunctions.def"
    Count
};

struct HostOpInfo {
    int slot;
    const char* name;
    bool hasResult;
};
// Slot, name and whether it has a result, for every operation.
inline constexpr HostOpInfo HostOps[] = {
#define QV_HOST_OP(slot, name, result, params, args) {slot, #name, !std::is_void_v<result>},
#include "api/HostFunctions.def"
};

// The function type of an operation's slot.
#define QV_WITH_HANDLE(...) API_AddOnHandle __VA_OPT__(, ) __VA_ARGS__
#define QV_UNPAREN(...) __VA_ARGS__
namespace HostFn {
#define QV_HOST_OP(slot, name, result, params, args) using name = result (*)(QV_WITH_HANDLE params);
#define QV_HOST_OP_NO_HANDLE(slot, name, result, params, args) using name = result(*) params;
#include "api/HostFunctions.def"
} // namespace HostFn

// Slots hold distinct numbers within the table.
constexpr bool HostSlotsAreDistinct() {
    for (const auto& a : HostOps) {
        if (a.slot < 0 || a.slot >= HostFunctionSlots)
            return false;
        for (const auto& b : HostOps)
            if (&a != &b && a.slot == b.slot)
                return false;
    }
    return true;
}
static_assert(HostSlotsAreDistinct(), "every operation has its own slot in the table");
