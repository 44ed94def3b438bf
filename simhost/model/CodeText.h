#pragma once

#include "gs/Types.h"

#include <string>

namespace simhost {

// A four-character code (a selector, a module command, a section) as its four characters, the
// highest byte first, as FourCC reads them.
inline std::string CodeText(GSType code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text.push_back(char((code >> shift) & 0xFF));
    return text;
}

} // namespace simhost
