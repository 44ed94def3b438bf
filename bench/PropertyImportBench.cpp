// One building material with many properties: the cost per property of an import of n properties
// against that of a small import measured first in the same run. A cost that grows with the
// count (a list fetched or searched per property) shows as a ratio near the size ratio; a cost
// per property that stays flat shows as a ratio near 1.
#include "BenchSupport.h"

#include "import/ImportDispatcher.h"
#include "model/Project.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>

using nlohmann::json;

namespace {

std::string Product(int index, int properties) {
    json list = json::array();
    for (int i = 0; i < properties; ++i)
        list.push_back(
            {{"name", "P" + std::to_string(i)}, {"type", "ValueList"}, {"values", {{{"value", i}}}}});
    json product = {{"importType", "MATERIAL_IMPORT"},
                    {"name", "Material " + std::to_string(index)},
                    {"uuid", "u-" + std::to_string(index)},
                    {"supplier", {{"name", "Maker"}}},
                    {"layerstyle", "Thermal"},
                    {"propertySets", {{{"name", "Set " + std::to_string(index)}, {"properties", list}}}}};
    return product.dump();
}

struct Run {
    int properties;
    double seconds;
    UInt64 listFetches;
    bool succeeded;
};

// Each import gets a host of its own, so the second does not pay for the first's definitions.
Run Import(int index, int properties) {
    simhost::Host host;
    simhost::Session session{host};
    if (!bench::StartAddOn(session))
        std::exit(1);
    const std::string text = Product(index, properties);
    host.counters.Reset();
    const double seconds = bench::Seconds([&] { RunImport(GS::UniString(text.c_str())); });
    const auto& materials = host.project.attributes.buildingMaterials;
    const bool succeeded =
        materials.size() == 1 && materials[0].propertyValues.size() == size_t(properties) + 1; // and the tag
    return {properties, seconds, host.counters.Of("GetAttributePropertyDefinitions"), succeeded};
}

} // namespace

int main(int argc, char** argv) {
    const int small = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int large = argc > 2 ? std::atoi(argv[2]) : 16000;
    if (small <= 0 || large <= small) {
        std::fprintf(stderr, "usage: PropertyImportBench [small] [large], 0 < small < large\n");
        return 2;
    }
    const Run base = Import(1, small);
    const Run big = Import(2, large);
    for (const Run& r : {base, big})
        std::printf("%6d properties: %.3f s, %.2f us per property, %llu definition list fetches%s\n",
                    r.properties, r.seconds, 1e6 * r.seconds / r.properties,
                    static_cast<unsigned long long>(r.listFetches), r.succeeded ? "" : ", NOT all written");
    const double ratio = (big.seconds / big.properties) / (base.seconds / base.properties);
    std::printf("cost per property, %d against %d properties: ratio %.2f (size ratio %.1f)\n", large, small,
                ratio, double(large) / small);
    return base.succeeded && big.succeeded ? 0 : 1;
}
