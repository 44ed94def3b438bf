#include "gs/Debug.h"

#include "gs/AddOnCode.h"
#include "gs/System.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
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
    // A line that finds no memory is dropped: debug output never stops its caller.
    std::string text;
    try {
        if (needed > 0) {
            text.resize(size_t(needed) + 1);
            std::vsnprintf(text.data(), text.size(), format, args);
            text.resize(size_t(needed));
        }
    } catch (const std::bad_alloc&) {
        va_end(args);
        return;
    }
    va_end(args);
    auto& output = GS::Output();
    if (!output) {
        std::fputs(text.c_str(), stderr);
        return;
    }
    try {
        GS::AddOnCodeScope host(false); // the host's own output
        output(text);
    } catch (const std::bad_alloc&) {
    }
}

Int32 CHTruncate(const char* source, char* target, Int32 size, GSCharCode code) {
    if (target == nullptr || size <= 0)
        return 0;
    if (source == nullptr) {
        target[0] = 0;
        return 0;
    }
    const size_t n = GS::WholeCharactersPrefix(source, size_t(size) - 1, code);
    std::memcpy(target, source, n);
    target[n] = 0;
    return Int32(n);
}
