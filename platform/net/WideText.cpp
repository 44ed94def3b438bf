#include "net/Download.h"

#include "gs/UniString.h"

namespace Net {

std::wstring WideText(std::string_view utf8) {
    const std::u16string units = GS::Utf8ToUtf16(utf8);
    if constexpr (sizeof(wchar_t) == sizeof(char16_t))
        return std::wstring(units.begin(), units.end());
    std::wstring out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        // Utf8ToUtf16 pairs its surrogates.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        out.push_back(wchar_t(c));
    }
    return out;
}

std::string Utf8Text(std::wstring_view wide) {
    std::u16string units;
    units.reserve(wide.size());
    for (wchar_t w : wide) {
        const char32_t c = char32_t(w);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            units.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(char16_t(c > 0x10FFFF ? 0xFFFD : c));
        }
    }
    return GS::Utf16ToUtf8(units);
}

} // namespace Net
