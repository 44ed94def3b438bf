#include "model/HexText.h"

#include "gs/Types.h"

#include <stdexcept>

namespace simhost {

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (char c : bytes) {
        hex.push_back(digits[UInt8(c) >> 4]);
        hex.push_back(digits[UInt8(c) & 15]);
    }
    return hex;
}

std::string FromHex(const std::string& hex) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        throw std::runtime_error("\"hex\" holds a character that is not a hexadecimal digit");
    };
    if (hex.size() % 2 != 0)
        throw std::runtime_error("\"hex\" has an odd number of digits");
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(char(digit(hex[i]) * 16 + digit(hex[i + 1])));
    return bytes;
}

} // namespace simhost
