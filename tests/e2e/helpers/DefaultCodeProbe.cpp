// Prints which character code the host's default conversion uses in this process: "UTF-8", or the
// ANSI code page ("1252", "1251", "932") that Wine took from LC_ALL. Found from what "äЖ断" becomes.
//
//   default_code_probe
#include "gs/UniString.h"

#include <cstdio>
#include <map>
#include <string>

int main() {
    static const std::map<std::string, const char*> codes = {
        {"\xC3\xA4\xD0\x96\xE6\x96\xAD", "UTF-8"},
        {"\xE4??", "1252"},
        // Windows maps what a code page lacks to a look-alike where it has one (ä to a), else "?".
        {"a\xC6?", "1251"},
        {"a\x84\x47\x92\x66", "932"},
    };
    const std::string bytes = GS::UniString(u"\u00E4\u0416\u65AD").ToCStr();
    const auto code = codes.find(bytes);
    if (code != codes.end()) {
        std::puts(code->second);
        return 0;
    }
    std::printf("unknown:");
    for (unsigned char b : bytes)
        std::printf(" %02X", b);
    std::printf("\n");
    return 0;
}
