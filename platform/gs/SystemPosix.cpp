#include "gs/Guid.h"
#include "gs/System.h"
#include "gs/UniString.h"

#include <ctime>
#include <random>
#include <sys/random.h>

namespace GS {

std::u16string DefaultCodeToUtf16(std::string_view text) {
    return Utf8ToUtf16(text);
}

std::string Utf16ToDefaultCode(std::u16string_view units) {
    return Utf16ToUtf8(units);
}

size_t WholeCharactersPrefix(std::string_view text, size_t limit, GSCharCode /*UTF-8 either way*/) {
    return Utf8Prefix(text, limit);
}

void RandomBytes(void* target, size_t size) {
    auto* bytes = static_cast<UInt8*>(target);
    // Straight from the kernel: a buffered stream on /dev/urandom drew a whole buffer per GUID,
    // which dominated imports that create many definitions.
    if (getrandom(bytes, size, 0) == ssize_t(size))
        return;
    std::random_device rd;
    for (size_t i = 0; i < size; ++i)
        bytes[i] = UInt8(rd());
}

Guid Guid::Generate() {
    std::array<UInt8, 16> b{};
    RandomBytes(b.data(), b.size());
    b[6] = UInt8((b[6] & 0x0F) | 0x40); // version 4
    b[8] = UInt8((b[8] & 0x3F) | 0x80); // variant 1
    return FromBytes(b);
}

GSTimeRecord CalendarTime(Int64 time, bool local) {
    std::time_t t = std::time_t(time);
    std::tm parts{};
    if (local)
        localtime_r(&t, &parts);
    else
        gmtime_r(&t, &parts);
    return GSTimeRecord{
        UInt16(parts.tm_year + 1900), UInt16(parts.tm_mon + 1), UInt16(parts.tm_wday), UInt16(parts.tm_mday),
        UInt16(parts.tm_hour),        UInt16(parts.tm_min),     UInt16(parts.tm_sec),  0};
}

} // namespace GS
