// "PROJECT_INFO" on 200 tagged materials, 50 tagged composites and 10,000 elements: the export's
// one walk against the per-item scans of every tagged item, host calls and time measured in the
// same run, and the figures compared.
#include "BenchSupport.h"
#include "support/PerItemUsageScan.h"

#include "export/ProjectInfoExporter.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "runtime/Host.h"
#include "runtime/Session.h"
#include "support/InProcessAddOn.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using nlohmann::json;

namespace {

json Material(int k) {
    return {{"name", "Material " + std::to_string(k)},
            {"uuid", "u-" + std::to_string(k)},
            {"supplier", {{"name", "Maker"}}}};
}

} // namespace

int main(int argc, char** argv) {
    const int materials = argc > 1 ? std::atoi(argv[1]) : 200;
    const int composites = argc > 2 ? std::atoi(argv[2]) : 50;
    const int elements = argc > 3 ? std::atoi(argv[3]) : 10000;

    simhost::Host host;
    simhost::Session session{host};
    if (!bench::StartAddOn(session))
        return 1;
    for (int k = 1; k <= materials; ++k) {
        json product = Material(k);
        product["importType"] = "MATERIAL_IMPORT";
        RunImport(GS::UniString(product.dump()));
    }
    for (int c = 1; c <= composites; ++c) {
        json layers = json::array();
        for (int l = 0; l < 3; ++l)
            layers.push_back({{"layerstyle", "Layer"},
                              {"thickness", 20 * (l + 1)},
                              {"product", Material(1 + (c * 3 + l) % materials)}});
        json product = {{"importType", "TYPE_IMPORT"},
                        {"constructionType", c % 2 ? "WALL" : "ROOF"},
                        {"uuid", 9000 + c},
                        {"Name", "Type " + std::to_string(c)},
                        {"layers", layers}};
        RunImport(GS::UniString(product.dump()));
    }
    if (host.project.attributes.composites.size() != size_t(composites)) {
        std::fprintf(stderr, "the composites were not imported\n");
        return 1;
    }
    // Walls and roofs of the composites (one entry per skin), slabs of the materials; areas
    // whose sums are not exact in binary, so the order of additions shows.
    for (int n = 0; n < elements; ++n) {
        simhost::Element e;
        e.guid = GS::Guid::Generate();
        e.area = 0.1 + 0.01 * (n % 97);
        if (n % 3 == 1) {
            e.type = ElemTypeSlab;
            e.slabAttribute = 1 + Int32((n * 7919) % materials);
        } else {
            const auto& composite = host.project.attributes.composites[size_t(n % composites)];
            e.type = composite.structureKind == 1 ? ElemTypeWall : ElemTypeRoof;
            (e.type == ElemTypeWall ? e.wallAttribute : e.roofAttribute) = Int32(n % composites) + 1;
            e.structure = simhost::Structure::Composite;
        }
        e.quantitiesFail = n % 101 == 0;
        host.project.elements.elements.push_back(e);
    }

    json exported;
    host.counters.Reset();
    const double exportTime = bench::Seconds([&] { exported = json::parse(GetProjectInfoText().ToCStr()); });
    const UInt64 exportCalls = host.counters.Of("GetElementQuantities");

    json perItem;
    host.counters.Reset();
    const double perItemTime = bench::Seconds([&] {
        perItem = {{"Materials", UsageListJson(reference::ListTaggedMaterials())},
                   {"Types", UsageListJson(reference::ListTaggedComposites())},
                   {"Families", UsageListJson(ListTaggedLibraryParts())}};
    });
    const UInt64 perItemCalls = host.counters.Of("GetElementQuantities");
    const UInt64 items = UInt64(materials) + UInt64(composites);

    // Compared as serialised text: the areas must agree to the last digit the page sees.
    const bool same = exported["ImportedData"].dump() == perItem.dump();
    const bool callsAsExpected =
        exportCalls == UInt64(elements) && perItemCalls == 2 * items * UInt64(elements);
    std::printf("tagged materials: %zu, tagged composites: %zu, elements: %d\n",
                exported["ImportedData"]["Materials"].size(), exported["ImportedData"]["Types"].size(),
                elements);
    std::printf("GetElementQuantities calls: export %llu, per item %llu (2 x %llu x %d)\n",
                (unsigned long long)exportCalls, (unsigned long long)perItemCalls, (unsigned long long)items,
                elements);
    std::printf("time: export %.4f s, per item %.4f s, ratio %.1f\n", exportTime, perItemTime,
                perItemTime / exportTime);
    std::printf("figures identical: %s\n", same ? "yes" : "NO");
    session.Unload(true);
    return same && callsAsExpected ? 0 : 1;
}
