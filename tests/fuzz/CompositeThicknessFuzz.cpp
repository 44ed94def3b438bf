// The layer-thickness reader on any JSON value: a number gives its value in metres, anything
// else 0, and nothing leaves it.
#include "import/AttributeImporter.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const nlohmann::json value = nlohmann::json::parse(data, data + size, nullptr, false);
    if (value.is_discarded())
        return 0;
    const double metres = AttributeImporter::ReadThickness(value);
    const double expected = value.is_number() ? value.get<double>() / 1000.0 : 0.0;
    if (metres != expected)
        std::abort();
    return 0;
}
