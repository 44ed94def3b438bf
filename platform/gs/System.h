#pragma once

// What the root library asks of the operating system; one implementation per system
// (SystemPosix.cpp, SystemWindows.cpp).

#include "gs/Time.h"
#include "gs/Types.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace GS {

// Text in the host's default character code to UTF-16, and back. A character the code cannot
// hold becomes the code's replacement ("?" for the ANSI code pages, U+FFFD for UTF-8).
std::u16string DefaultCodeToUtf16(std::string_view text);
std::string Utf16ToDefaultCode(std::u16string_view units);
// The length of the longest start of `text` of at most `limit` bytes that does not end inside a
// character of the given code.
size_t WholeCharactersPrefix(std::string_view text, size_t limit, GSCharCode code);

// Fills `size` bytes with the system's cryptographic random numbers.
void RandomBytes(void* target, size_t size);

// The calendar form of `time` (seconds since 1970), in local or universal time.
GSTimeRecord CalendarTime(Int64 time, bool local);

} // namespace GS
