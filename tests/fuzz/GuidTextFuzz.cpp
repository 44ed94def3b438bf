// GUID text: any bytes parse to a GUID or to the null GUID, and a parsed GUID writes back as the
// same digits.
#include "gs/Guid.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const GS::Guid guid(text);
    if (guid.IsNull())
        return 0;
    // The text stops at its first NUL, as a C string does.
    std::string digits(text.c_str());
    if (digits.size() == 38)
        digits = digits.substr(1, 36);
    const std::string written = guid.ToString();
    if (written.size() != 36)
        std::abort();
    for (size_t i = 0; i < 36; ++i)
        if (std::toupper(static_cast<unsigned char>(digits[i])) != written[i])
            std::abort();
    if (GS::Guid(written) != guid || GS::Guid("{" + written + "}") != guid)
        std::abort();
    return 0;
}
