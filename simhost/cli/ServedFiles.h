#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace simhost {

// A file of a served folder, named by a path of plain segments: no empty, hidden, "." or ".."
// segment, so a request cannot leave the folder. Nothing when there is no such file.
std::optional<std::string> ReadServedFile(const std::filesystem::path& folder, const std::string& relative);

// The content type of a served file, by its extension, else by its first bytes.
std::string ContentType(const std::string& name, const std::string& bytes);

} // namespace simhost
