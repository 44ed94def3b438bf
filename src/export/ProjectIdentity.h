#pragma once

#include <string>

// The project's permanent identity: the value of its "QV_GUID" autotext, created with a new GUID
// the first time it is asked for. Empty when it could be neither read nor created.
std::string GetProjectGuid();
