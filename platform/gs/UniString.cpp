#include "gs/UniString.h"

#include "gs/System.h"

#include <algorithm>
#include <cstring>

namespace GS {

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xDF && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
            cp = char32_t(c & 0x1F) << 6 | (s[i + 1] & 0x3F);
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF && i + 2 < n && (s[i + 1] & 0xC0) == 0x80 &&
                   (s[i + 2] & 0xC0) == 0x80) {
            char32_t v = char32_t(c & 0x0F) << 12 | char32_t(s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F);
            if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) {
                cp = v;
                len = 3;
            }
        } else if (c >= 0xF0 && c <= 0xF4 && i + 3 < n && (s[i + 1] & 0xC0) == 0x80 &&
                   (s[i + 2] & 0xC0) == 0x80 && (s[i + 3] & 0xC0) == 0x80) {
            char32_t v = char32_t(c & 0x07) << 18 | char32_t(s[i + 1] & 0x3F) << 12 |
                         char32_t(s[i + 2] & 0x3F) << 6 | (s[i + 3] & 0x3F);
            if (v >= 0x10000 && v <= 0x10FFFF) {
                cp = v;
                len = 4;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += len;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

size_t Utf8Prefix(std::string_view text, size_t limit) {
    if (text.size() <= limit)
        return text.size();
    size_t n = limit;
    // Step back over continuation bytes so that no sequence is cut.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

UniString::UniString(const char* text, GSCharCode code)
    : UniString(std::string_view(text ? text : ""), code) {}

UniString::UniString(std::string_view text, GSCharCode code) {
    Assign(code == CC_UTF8 ? Utf8ToUtf16(text) : DefaultCodeToUtf16(text));
}

UniString::UniString(std::u16string_view units) {
    Assign(units);
}

UniString::UniString(const UniString& other) {
    Assign(other.View());
}

UniString::UniString(UniString&& other) noexcept
    : data(other.data), length(other.length), capacity(other.capacity) {
    other.data = nullptr;
    other.length = other.capacity = 0;
}

UniString& UniString::operator=(const UniString& other) {
    if (this != &other)
        Assign(std::u16string(other.View()));
    return *this;
}

UniString& UniString::operator=(UniString&& other) noexcept {
    if (this != &other) {
        delete[] data;
        data = other.data;
        length = other.length;
        capacity = other.capacity;
        other.data = nullptr;
        other.length = other.capacity = 0;
    }
    return *this;
}

UniString::~UniString() {
    delete[] data;
}

void UniString::Assign(std::u16string_view units) {
    if (units.size() > capacity) {
        auto* fresh = new char16_t[units.size() + 1];
        delete[] data;
        data = fresh;
        capacity = UInt32(units.size());
    }
    if (!units.empty())
        std::memcpy(data, units.data(), units.size() * sizeof(char16_t));
    length = UInt32(units.size());
    if (data)
        data[length] = 0;
}

std::string UniString::ToCStr(GSCharCode code) const {
    return code == CC_UTF8 ? Utf16ToUtf8(View()) : Utf16ToDefaultCode(View());
}

UniString& UniString::Append(const UniString& other) {
    std::u16string joined(View());
    joined += other.View();
    Assign(joined);
    return *this;
}

void UniString::Clear() noexcept {
    length = 0;
}

void AppendSerialized(std::string& bytes, const UniString& text) {
    const UInt32 n = text.GetLength();
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(char(n >> shift));
    for (char16_t unit : text.View()) {
        bytes.push_back(char(unit & 0xFF));
        bytes.push_back(char(unit >> 8));
    }
}

bool ReadSerialized(std::string_view bytes, size_t& at, UniString& text) {
    if (at > bytes.size() || bytes.size() - at < 4)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    const UInt32 n = UInt32(p[0]) | UInt32(p[1]) << 8 | UInt32(p[2]) << 16 | UInt32(p[3]) << 24;
    if ((bytes.size() - at - 4) / 2 < n)
        return false;
    std::u16string units(n, u'\0');
    for (UInt32 i = 0; i < n; ++i)
        units[i] = char16_t(p[4 + 2 * i] | p[5 + 2 * i] << 8);
    text = UniString(std::u16string_view(units));
    at += 4 + 2 * size_t(n);
    return true;
}

std::wstring Utf8ToWide(std::string_view text) {
    const std::u16string units = Utf8ToUtf16(text);
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

std::string WideToUtf8(std::wstring_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (wchar_t w : text) {
        const char32_t c = char32_t(w);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            units.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(char16_t(c > 0x10FFFF ? 0xFFFD : c));
        }
    }
    return Utf16ToUtf8(units);
}

} // namespace GS
