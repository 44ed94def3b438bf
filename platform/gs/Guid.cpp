#include "gs/Guid.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace GS {

namespace {

// Text positions of the 32 digits in "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx".
constexpr bool IsDashPosition(size_t i) {
    return i == 8 || i == 13 || i == 18 || i == 23;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Guid::Guid(const char* text) {
    if (text == nullptr)
        return;
    size_t n = std::strlen(text);
    const char* p = text;
    if (n == 38 && text[0] == '{' && text[37] == '}') {
        ++p;
        n = 36;
    }
    if (n != 36)
        return;
    std::array<UInt8, 16> parsed{};
    size_t digit = 0;
    for (size_t i = 0; i < 36; ++i) {
        if (IsDashPosition(i)) {
            if (p[i] != '-')
                return;
            continue;
        }
        int v = HexValue(p[i]);
        if (v < 0)
            return;
        parsed[digit / 2] = UInt8(parsed[digit / 2] | (digit % 2 == 0 ? v << 4 : v));
        ++digit;
    }
    bytes = parsed;
}

Guid Guid::FromBytes(const std::array<UInt8, 16>& b) noexcept {
    Guid g;
    g.bytes = b;
    return g;
}

bool Guid::IsNull() const noexcept {
    for (UInt8 b : bytes)
        if (b != 0)
            return false;
    return true;
}

std::string Guid::ToString() const {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(36);
    size_t digit = 0;
    for (size_t i = 0; i < 36; ++i) {
        if (IsDashPosition(i)) {
            out.push_back('-');
            continue;
        }
        UInt8 b = bytes[digit / 2];
        out.push_back(digits[digit % 2 == 0 ? b >> 4 : b & 0x0F]);
        ++digit;
    }
    return out;
}

UniString Guid::ToUniString() const {
    return UniString(ToString());
}

} // namespace GS
