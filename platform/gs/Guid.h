#pragma once

#include "gs/Types.h"
#include "gs/UniString.h"

#include <array>
#include <string>

namespace GS {

// The host's 128-bit identifier. Its text form is 8-4-4-4-12 upper-case hexadecimal digits.
class Guid {
public:
    Guid() noexcept = default;
    // Parses 8-bit text; text that is not a GUID gives the null GUID.
    explicit Guid(const char* text);
    explicit Guid(const std::string& text) : Guid(text.c_str()) {}

    static Guid Generate();
    static Guid FromBytes(const std::array<UInt8, 16>& bytes) noexcept;

    bool IsNull() const noexcept;
    UniString ToUniString() const;
    std::string ToString() const;
    const std::array<UInt8, 16>& Bytes() const noexcept { return bytes; }

    bool operator==(const Guid&) const noexcept = default;
    auto operator<=>(const Guid&) const noexcept = default;

private:
    std::array<UInt8, 16> bytes{};
};
static_assert(sizeof(Guid) == 16);

} // namespace GS
