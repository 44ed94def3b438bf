#pragma once

#include "api/HostApiRecords.h"

#include <optional>
#include <string>

namespace simhost {

// The operation named by text: an operation of HostFunctions.def ("GetAttribute"), or a selector
// of a request ("UtilityRequest.GATS").
struct OperationName {
    HostOp op;
    std::optional<GSType> selector;

    std::string Text() const;
    bool operator<(const OperationName& o) const { return op != o.op ? op < o.op : selector < o.selector; }
    bool operator==(const OperationName&) const = default;
};
// Parses an operation name; nothing when it names no operation of the list.
std::optional<OperationName> ParseOperationName(const std::string& text);
constexpr bool IsSelectorRequest(HostOp op) {
#define QV_HOST_OP(slot, name, result, params, args)
#define QV_HOST_REQUEST(slot, name, result, params, args)                                                    \
    if (op == HostOp::name)                                                                                  \
        return true;
#include "api/HostFunctions.def"
    return false;
}

} // namespace simhost
