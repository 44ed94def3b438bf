#pragma once

#include <cstdint>
#include <string_view>

namespace simhost::validate {

// FNV-1a over 64 bits: unlike std::hash, the same value from every standard library, so what is
// derived from it (a check's random generator, a digest of what a check sent) replays anywhere.
constexpr std::uint64_t Fnv1aOffsetBasis = 14695981039346656037ull;
constexpr std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash = Fnv1aOffsetBasis) {
    for (unsigned char ch : bytes)
        hash = (hash ^ ch) * 1099511628211ull;
    return hash;
}

} // namespace simhost::validate
