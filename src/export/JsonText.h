#pragma once

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <string>
#include <utility>

// The one serialisation every JSON answer of the add-on uses: one line, no blanks, characters
// beyond ASCII written as they are. Bytes that are not valid UTF-8 (host texts are taken byte
// for byte) become U+FFFD instead of failing the call, so the page always gets its answer.
std::string SerializeCompact(const nlohmann::json& value);

// An object of the members, built member by member. The JSON library's object-from-list
// constructor loses the object it has begun when memory runs out halfway (its members are not
// yet owned by a whole value); here the object is owned from the start and freed with it.
nlohmann::json ObjectOf(std::initializer_list<std::pair<const char*, nlohmann::json>> members);
