#pragma once

#include "runtime/Faults.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace simhost {

// The host's list (HostFunctions.def) and its codes (ErrorCodes.h), as the host was built with.
extern const char* const HostListText;
extern const char* const ErrorCodesText;

// Every code the codes' header defines, by name.
const std::map<std::string, GSErrCode>& CodesByName();

// The names of the codes each operation's or selector's contract names (the comment above it in
// the list; a contract that names another operation names that one's codes too), by the name of
// the operation or selector ("GetAttribute", "GetAutotexts").
const std::map<std::string, std::set<std::string>>& ContractCodeNames();

// The codes a call of the operation may answer by its contract, ascending, each with its name:
// those its own contract names, and a selector's those of its request too.
std::map<GSErrCode, std::string> ContractCodes(const OperationName& op);

// The failures the host may answer a call of the operation with: its contract's codes, or
// ErrGeneral when the contract names none.
std::map<GSErrCode, std::string> FailureCodes(const OperationName& op);

} // namespace simhost
