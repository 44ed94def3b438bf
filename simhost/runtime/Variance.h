#pragma once

#include "gs/Types.h"

#include <cstddef>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace simhost {

// The host varying within its contract, seeded and reproducible (`--variance SEED`): what a
// host's record leaves open holds noise, attribute indices begin with holes, the host's own texts
// are at their longest, its language is another, and an element whose attribute was deleted is
// answered the other way a host may answer it. An add-on that reads only what the contract
// defines answers the page the same on every variant. The plain host (no seed) varies nothing.
class HostVariance {
public:
    HostVariance() = default;
    explicit HostVariance(UInt64 seed);

    bool Active() const { return active; }
    UInt64 Seed() const { return seed; }

    // Holes a project starts with: building materials and composites deleted before the first
    // one the add-on creates (1 to 4 each).
    Int32 materialHoles = 0;
    Int32 compositeHoles = 0;
    // The host's language code: never "INT", the plain host's (empty: the plain host's).
    std::string language;
    // Odd seeds: reading an element whose attribute was deleted answers ErrDeleted; even seeds
    // and the plain host answer its record, with its reference to the deleted attribute's index.
    bool elementsOfDeletedAttributesFailRead = false;
    // Autotexts of the host's own, listed after its built-in ones: names and values of the
    // longest the host keeps (HostTextMaxBytes), some of them near misses of names add-ons use.
    std::vector<std::pair<std::string, std::string>> hostAutotexts;

    // Bytes a record leaves open: noise under variance; the plain host leaves them as they are.
    void Noise(void* bytes, size_t size);
    template <typename Field> void NoiseField(Field& field) { Noise(&field, sizeof field); }
    // The bytes of a fixed text field after the text's terminator.
    void NoiseAfterText(char* field, size_t capacity);
    void NoiseAfterText(char16_t* field, size_t capacity);

private:
    bool active = false;
    UInt64 seed = 0;
    std::mt19937_64 generator;
};

// The longest text the host keeps in its own text fields, in bytes.
constexpr size_t HostTextMaxBytes = 255;

} // namespace simhost
