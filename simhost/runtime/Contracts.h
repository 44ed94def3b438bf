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

// The codes a call of the operation may answer by its contract, ascending: those its own
// contract names, and a selector's those of its request too.
std::vector<GSErrCode> ContractCodes(const OperationName& op);

} // namespace simhost
