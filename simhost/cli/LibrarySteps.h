#pragma once

#include "runtime/Host.h"

#include <string>

namespace simhost {

// Places an object (type 6) that uses the library part named `partName` (the first of that name
// in the host's library part list) and answers its guid; StepError when no part has the name.
// The `place` step calls it for {"type":"object","libraryPart":NAME}.
GS::Guid PlaceLibraryPartObject(Host& host, const std::string& partName, double area, const std::string& id);

} // namespace simhost
