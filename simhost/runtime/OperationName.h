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
bool IsSelectorRequest(HostOp op);

} // namespace simhost
