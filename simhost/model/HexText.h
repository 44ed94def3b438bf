#pragma once

#include <string>

namespace simhost {

// Bytes written in the project file as hexadecimal digits, two per byte.
std::string ToHex(const std::string& bytes);
// Throws std::runtime_error for a character that is no hexadecimal digit or an odd count.
std::string FromHex(const std::string& hex);

} // namespace simhost
