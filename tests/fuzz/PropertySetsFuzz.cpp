// The property-set reader on any JSON document: it answers sets or throws the JSON library's
// errors, never anything else.
#include "gs/Debug.h"
#include "import/PropertySets.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    GS::SetDebugOutput([](std::string_view) {}); // the reader's trace lines are not checked here
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const nlohmann::json document = nlohmann::json::parse(data, data + size, nullptr, false);
    if (document.is_discarded())
        return 0;
    try {
        PropertySetMap sets = ReadPropertySets(document);
        // The reader works on its own copy: a second reading of the same document agrees.
        if (ReadPropertySets(document) != sets)
            std::abort();
        AddProductTag(sets, "00000000-0000-4000-8000-000000000000");
        if (sets.at(ProductTagName).at(ProductTagName) != "00000000-0000-4000-8000-000000000000")
            std::abort();
    } catch (const nlohmann::json::exception&) {
    }
    return 0;
}
