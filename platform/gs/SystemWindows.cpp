#include "gs/Guid.h"
#include "gs/System.h"
#include "gs/UniString.h"

#include <windows.h>

#include <bcrypt.h>
#include <objbase.h>

#include <array>
#include <climits>
#include <stdexcept>

namespace GS {

namespace {

// The ANSI code page may itself be UTF-8 (a setting of newer Windows versions).
bool AnsiIsUtf8() {
    return GetACP() == CP_UTF8;
}

} // namespace

std::u16string DefaultCodeToUtf16(std::string_view text) {
    if (text.empty())
        return {};
    if (text.size() > size_t(INT_MAX))
        text = text.substr(0, size_t(INT_MAX));
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::u16string out(size_t(n > 0 ? n : 0), u'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), reinterpret_cast<wchar_t*>(out.data()),
                            n);
    return out;
}

std::string Utf16ToDefaultCode(std::u16string_view units) {
    if (units.empty())
        return {};
    if (units.size() > size_t(INT_MAX))
        units = units.substr(0, size_t(INT_MAX));
    const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, int(units.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide, int(units.size()), out.data(), n, nullptr, nullptr);
    return out;
}

size_t WholeCharactersPrefix(std::string_view text, size_t limit, GSCharCode code) {
    if (code == CC_UTF8 || AnsiIsUtf8())
        return Utf8Prefix(text, limit);
    // Double-byte code pages (932, 936, 949, 950): a lead byte and the byte after it are one
    // character.
    size_t end = 0;
    while (end < text.size()) {
        const size_t step = IsDBCSLeadByteEx(CP_ACP, BYTE(text[end])) ? 2 : 1;
        if (end + step > limit || end + step > text.size())
            break;
        end += step;
    }
    return end;
}

void RandomBytes(void* target, size_t size) {
    auto* bytes = static_cast<UCHAR*>(target);
    while (size > 0) {
        const ULONG chunk = ULONG(size < 0x10000000 ? size : 0x10000000);
        if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
            throw std::runtime_error("the system's random number generator failed");
        bytes += chunk;
        size -= chunk;
    }
}

Guid Guid::Generate() {
    GUID g{};
    if (FAILED(CoCreateGuid(&g)))
        throw std::runtime_error("CoCreateGuid failed");
    // In the order of the text form: the first three fields most significant byte first.
    std::array<UInt8, 16> b{UInt8(g.Data1 >> 24), UInt8(g.Data1 >> 16), UInt8(g.Data1 >> 8), UInt8(g.Data1),
                            UInt8(g.Data2 >> 8),  UInt8(g.Data2),       UInt8(g.Data3 >> 8), UInt8(g.Data3)};
    for (int i = 0; i < 8; ++i)
        b[size_t(8 + i)] = g.Data4[i];
    return FromBytes(b);
}

GSTimeRecord CalendarTime(Int64 time, bool local) {
    // FILETIME counts 100-nanosecond intervals since 1601.
    const UInt64 ticks = UInt64(time + 11644473600LL) * 10000000ULL;
    FILETIME file{DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)};
    SYSTEMTIME utc{}, parts{};
    if (!FileTimeToSystemTime(&file, &utc))
        return GSTimeRecord{};
    if (!local || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &parts))
        parts = utc;
    return GSTimeRecord{parts.wYear, parts.wMonth,  parts.wDayOfWeek, parts.wDay,
                        parts.wHour, parts.wMinute, parts.wSecond,    0};
}

} // namespace GS
