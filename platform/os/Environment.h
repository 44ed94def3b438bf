#pragma once

// The process environment, in UTF-8 on every system (on Windows through the wide functions, so
// that a value outside the ANSI code page, a user's folder say, survives).

#include <optional>
#include <string>

namespace OS {

// The variable's value; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);
// Sets the variable for this process (and the C library's view of it); an empty value on Windows
// removes it, as the system has no empty values. False when it cannot.
bool SetEnvironmentValue(const char* name, const std::string& value);
// Removes the variable.
void UnsetEnvironmentValue(const char* name);

} // namespace OS
