#pragma once

#include <nlohmann/json.hpp>

#include <string>

// The one serialisation every JSON answer of the add-on uses: one line, no blanks, characters
// beyond ASCII written as they are. Bytes that are not valid UTF-8 (host texts are taken byte
// for byte) become U+FFFD instead of failing the call, so the page always gets its answer.
std::string SerializeCompact(const nlohmann::json& value);
