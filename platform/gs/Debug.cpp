#include "gs/Debug.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace GS {

const char* const EOL = "\n";

namespace {
DebugOutput& Output() {
    static DebugOutput output;
    return output;
}
} // namespace

void SetDebugOutput(DebugOutput output) {
    Output() = std::move(output);
}

} // namespace GS

void DBPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        text.resize(size_t(needed) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(size_t(needed));
    }
    va_end(args);
    auto& output = GS::Output();
    if (output)
        output(text);
    else
        std::fputs(text.c_str(), stderr);
}

Int32 CHTruncate(const char* source, char* target, Int32 size, GSCharCode) {
    if (target == nullptr || size <= 0)
        return 0;
    if (source == nullptr) {
        target[0] = 0;
        return 0;
    }
    size_t n = std::strlen(source);
    size_t limit = size_t(size) - 1;
    if (n > limit) {
        n = limit;
        // Step back over continuation bytes so that no UTF-8 sequence is cut.
        while (n > 0 && (static_cast<unsigned char>(source[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(target, source, n);
    target[n] = 0;
    return Int32(n);
}
