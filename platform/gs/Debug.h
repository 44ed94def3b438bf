#pragma once

#include "gs/Types.h"

#include <functional>
#include <string_view>

namespace GS {
// The host's end-of-line string.
extern const char* const EOL;

// Where DBPrintf writes: the host installs its debug output; without one the text goes to stderr.
using DebugOutput = std::function<void(std::string_view text)>;
void SetDebugOutput(DebugOutput output);
} // namespace GS

// printf-style text into the host's debug output.
void DBPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Copies at most `size` - 1 bytes of `source` and a terminating NUL into `target`, never cutting a
// character of the given code (CC_UTF8, or the host's default code) in two. Returns the number of
// bytes copied without the NUL.
Int32 CHTruncate(const char* source, char* target, Int32 size, GSCharCode code = CC_Default);
