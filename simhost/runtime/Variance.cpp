#include "runtime/Variance.h"

#include <cstring>

namespace simhost {

namespace {

const char* const Languages[] = {"GER", "FRA", "ITA", "ESP", "NED", "JPN", "USA", "UKI", "AUS", "CHE"};

// `start`, then letters and digits from the generator up to the longest host text.
std::string LongestText(const std::string& start, std::mt19937_64& generator) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_ ";
    std::string text = start;
    while (text.size() < HostTextMaxBytes)
        text.push_back(letters[generator() % (sizeof letters - 1)]);
    return text;
}

} // namespace

HostVariance::HostVariance(UInt64 s) : active(true), seed(s), generator(s) {
    materialHoles = Int32(1 + generator() % 4);
    compositeHoles = Int32(1 + generator() % 4);
    language = Languages[generator() % (sizeof Languages / sizeof Languages[0])];
    elementsOfDeletedAttributesFailRead = seed % 2 == 1;
    for (const char* start : {"QV_GUID ", "qv_guid", "QV_GUI", ""})
        hostAutotexts.emplace_back(LongestText(start, generator), LongestText("", generator));
}

void HostVariance::Noise(void* bytes, size_t size) {
    if (!active || bytes == nullptr)
        return;
    auto* out = static_cast<unsigned char*>(bytes);
    for (size_t n = 0; n < size; n += 8) {
        const UInt64 word = generator();
        std::memcpy(out + n, &word, std::min<size_t>(8, size - n));
    }
}

void HostVariance::NoiseAfterText(char* field, size_t capacity) {
    const size_t length = strnlen(field, capacity);
    if (length + 1 < capacity)
        Noise(field + length + 1, capacity - length - 1);
}

void HostVariance::NoiseAfterText(char16_t* field, size_t capacity) {
    size_t length = 0;
    while (length < capacity && field[length] != 0)
        ++length;
    if (length + 1 < capacity)
        Noise(field + length + 1, (capacity - length - 1) * sizeof(char16_t));
}

} // namespace simhost
