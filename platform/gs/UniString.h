#pragma once

#include "gs/Types.h"

#include <string>
#include <string_view>

namespace GS {

// The host's string: UTF-16 code units. Sixteen bytes, and all-zero bytes are a valid empty
// string, so the host may hand strings over inside zero-filled memory blocks.
class UniString {
public:
    UniString() noexcept = default;
    // From 8-bit text in the given character code (as ToCStr).
    UniString(const char* text, GSCharCode code = CC_Default);
    UniString(std::string_view text, GSCharCode code = CC_Default);
    UniString(const std::string& text, GSCharCode code = CC_Default)
        : UniString(std::string_view(text), code) {}
    UniString(std::u16string_view units);
    UniString(const char16_t* units) : UniString(std::u16string_view(units)) {}
    UniString(const UniString& other);
    UniString(UniString&& other) noexcept;
    UniString& operator=(const UniString& other);
    UniString& operator=(UniString&& other) noexcept;
    ~UniString();

    UInt32 GetLength() const noexcept { return length; }
    bool IsEmpty() const noexcept { return length == 0; }
    const char16_t* Units() const noexcept { return length ? data : u""; }
    std::u16string_view View() const noexcept { return {Units(), length}; }
    char16_t operator[](UInt32 i) const { return data[i]; }

    // 8-bit text in the given character code: CC_UTF8, or else the host's default code (UTF-8 on
    // Linux, the ANSI code page on Windows). What the code cannot hold becomes its replacement
    // character: U+FFFD in UTF-8 (unpaired surrogates), "?" in an ANSI code page.
    std::string ToCStr(GSCharCode code = CC_Default) const;

    UniString& Append(const UniString& other);
    UniString& operator+=(const UniString& other) { return Append(other); }
    friend UniString operator+(UniString a, const UniString& b) { return a.Append(b); }
    bool operator==(const UniString& other) const noexcept { return View() == other.View(); }
    bool operator<(const UniString& other) const noexcept { return View() < other.View(); }

    void Clear() noexcept;

private:
    void Assign(std::u16string_view units);

    char16_t* data = nullptr;
    UInt32 length = 0;
    UInt32 capacity = 0;
};
static_assert(sizeof(UniString) == 16);

// A host string written into bytes, as a block the host keeps opaquely holds it: its number of
// UTF-16 code units (32-bit little-endian), then the units (16-bit little-endian).
void AppendSerialized(std::string& bytes, const UniString& text);
// Reads one string written so from `bytes` at `at` and moves `at` past it; false, with nothing
// read, when the bytes there are not one.
bool ReadSerialized(std::string_view bytes, size_t& at, UniString& text);

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);
// The length of the longest start of `text` of at most `limit` bytes that cuts no UTF-8 sequence.
size_t Utf8Prefix(std::string_view text, size_t limit);
// UTF-8 in the system's wide characters (UTF-16 on Windows, UTF-32 elsewhere), for the system's
// wide functions: a name outside the ANSI code page reaches Windows only that way.
std::wstring Utf8ToWide(std::string_view text);
// And back.
std::string WideToUtf8(std::wstring_view text);

} // namespace GS
