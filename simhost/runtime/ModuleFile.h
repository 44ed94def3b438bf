#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace simhost {

// The bytes of the named section of a module's file: an ELF image (64-bit, little-endian) or a
// PE image. Nothing when the file cannot be read, is neither, or has no such section with bytes
// in the file.
std::optional<std::string> ReadModuleSection(const std::string& path, std::string_view name);

} // namespace simhost
