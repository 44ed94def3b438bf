// The one-walk usage scan against the per-item scan, on 200 tagged materials and 10,000
// elements: host calls and time of both, measured in the same run, and the figures compared.
#include "BenchSupport.h"
#include "support/PerItemUsageScan.h"

#include "export/ProductUsage.h"
#include "host/EntryPoints.h"
#include "host/HostApi.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "runtime/Host.h"
#include "runtime/Session.h"
#include "support/DrawnElements.h"
#include "support/InProcessAddOn.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Same(const ProductUsageList& a, const ProductUsageList& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].Uuid != b[i].Uuid || a[i].NumOfElements != b[i].NumOfElements ||
            std::memcmp(&a[i].TotalArea, &b[i].TotalArea, sizeof(double)) != 0)
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int materials = argc > 1 ? std::atoi(argv[1]) : 200;
    const int elements = argc > 2 ? std::atoi(argv[2]) : 10000;

    simhost::Host host;
    simhost::Session session{host};
    if (!bench::StartAddOn(session))
        return 1;
    for (int i = 1; i <= materials; ++i) {
        nlohmann::json product = {{"importType", "MATERIAL_IMPORT"},
                                  {"name", "Material " + std::to_string(i)},
                                  {"uuid", "u-" + std::to_string(i)},
                                  {"supplier", {{"name", "Maker"}}}};
        RunImport(GS::UniString(product.dump()));
    }
    // A composite per material, of it and another; the roofs are made of them.
    for (int k = 1; k <= materials; ++k)
        testing_support::AddComposite(host.project, {k, 1 + Int32((k * 31) % materials)});
    // Walls, slabs and roofs over the materials, the roofs with composite entries; areas whose
    // sums are not exact in binary, so the order of additions shows.
    for (int n = 0; n < elements; ++n) {
        simhost::Element e;
        e.guid = GS::Guid::Generate();
        e.type = n % 3 == 0 ? ElemTypeWall : n % 3 == 1 ? ElemTypeSlab : ElemTypeRoof;
        Int32 k = 1 + Int32((n * 7919) % materials);
        (e.type == ElemTypeWall   ? e.wallAttribute
         : e.type == ElemTypeSlab ? e.slabAttribute
                                  : e.roofAttribute) = k;
        e.area = 0.1 + 0.01 * (n % 97);
        if (n % 3 == 2)
            e.structure = simhost::Structure::Composite;
        e.quantitiesFail = n % 101 == 0;
        host.project.elements.elements.push_back(e);
    }

    ProductUsageList oneWalk, perItem;
    host.counters.Reset();
    const double oneWalkTime = bench::Seconds([&] { oneWalk = ListTaggedMaterials(); });
    const UInt64 oneWalkCalls = host.counters.Of("GetElementQuantities");
    host.counters.Reset();
    const double perItemTime = bench::Seconds([&] { perItem = reference::ListTaggedMaterials(); });
    const UInt64 perItemCalls = host.counters.Of("GetElementQuantities");

    const bool same = Same(oneWalk, perItem);
    const bool callsAsExpected =
        oneWalkCalls == UInt64(elements) && perItemCalls == UInt64(2) * UInt64(materials) * UInt64(elements);
    std::printf("tagged materials: %zu, elements: %d\n", oneWalk.size(), elements);
    std::printf("GetElementQuantities calls: one walk %llu, per item %llu (2 x %d x %d = %llu)\n",
                (unsigned long long)oneWalkCalls, (unsigned long long)perItemCalls, materials, elements,
                (unsigned long long)(UInt64(2) * UInt64(materials) * UInt64(elements)));
    std::printf("time: one walk %.4f s, per item %.4f s, ratio %.1f\n", oneWalkTime, perItemTime,
                perItemTime / oneWalkTime);
    std::printf("figures identical: %s\n", same ? "yes" : "NO");
    session.Unload(true);
    return same && callsAsExpected && oneWalk.size() == size_t(materials) ? 0 : 1;
}
