// "PROJECT_INFO" on a large project where few elements use catalogue products, with a host whose
// calls cost what a real host's cost (quantities 50 µs, element reads 5 µs by default): the
// export, which computes quantities only for elements that may use a tagged item, against a walk
// that computes every element's quantities and against the per-item scans, measured in the same
// run. The per-item scans of every item would take hours at these costs: a sample of items is
// timed and the time scaled to all of them.
//
//   SelectiveQuantitiesBench [elements users tagged quantityMicroseconds readMicroseconds sampleItems]
#include "BenchSupport.h"
#include "support/PerItemUsageScan.h"

#include "export/ProductUsage.h"
#include "export/ProjectInfoExporter.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <random>

using nlohmann::json;

namespace {

int Argument(int argc, char** argv, int n, int fallback) {
    return argc > n ? std::atoi(argv[n]) : fallback;
}

} // namespace

int main(int argc, char** argv) {
    const int elements = Argument(argc, argv, 1, 100000);
    const int users = Argument(argc, argv, 2, 10000);
    const int tagged = Argument(argc, argv, 3, 250);
    const int quantityCost = Argument(argc, argv, 4, 50);
    const int readCost = Argument(argc, argv, 5, 5);
    const int sample = Argument(argc, argv, 6, 2);
    const int taggedComposites = tagged / 5;
    const int taggedMaterials = tagged - taggedComposites;
    constexpr int plainMaterials = 300, plainComposites = 100;

    simhost::Host host;
    simhost::Session session{host};
    if (!bench::StartAddOn(session))
        return 1;
    // The project's own attributes first: untagged materials and composites of them.
    simhost::AttributeStore& store = host.project.attributes;
    for (int m = 1; m <= plainMaterials; ++m) {
        simhost::BuildingMaterial material;
        material.guid = GS::Guid::Generate();
        material.name = "Plain " + std::to_string(m);
        store.buildingMaterials.push_back(material);
    }
    for (int c = 1; c <= plainComposites; ++c) {
        simhost::Composite composite;
        composite.guid = GS::Guid::Generate();
        composite.name = "Plain type " + std::to_string(c);
        composite.structureKind = 1 | 4;
        for (int s = 0; s < 3; ++s)
            composite.skins.push_back({1 + (c * 3 + s) % plainMaterials, 1, 1, 0.1});
        composite.lines.resize(4);
        store.composites.push_back(composite);
    }
    // The catalogue's: tagged materials, and tagged composites whose layers are the project's.
    for (int k = 1; k <= taggedMaterials; ++k)
        RunImport(GS::UniString(json{{"importType", "MATERIAL_IMPORT"},
                                     {"name", "Material " + std::to_string(k)},
                                     {"uuid", "u-" + std::to_string(k)},
                                     {"supplier", {{"name", "Maker"}}}}
                                    .dump()));
    for (int c = 1; c <= taggedComposites; ++c) {
        json layers = json::array();
        for (int l = 0; l < 3; ++l)
            layers.push_back(
                {{"layerstyle", "Structure"},
                 {"thickness", 20 * (l + 1)},
                 {"product", {{"name", "Plain " + std::to_string(1 + (c + l) % plainMaterials)}}}});
        RunImport(GS::UniString(json{
            {"importType", "TYPE_IMPORT"},
            {"constructionType", "WALL"},
            {"uuid", 9000 + c},
            {"Name", "Type " + std::to_string(c)},
            {"layers", layers}}.dump()));
    }
    if (store.buildingMaterials.size() != size_t(plainMaterials + taggedMaterials) ||
        store.composites.size() != size_t(plainComposites + taggedComposites)) {
        std::fprintf(stderr, "the catalogue was not imported\n");
        return 1;
    }

    // Every (elements / users)-th element uses a tagged item; the others the project's own
    // attributes, at indices no tagged item has. Areas whose sums are not exact in binary.
    std::mt19937 random(7);
    auto draw = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const int every = users > 0 ? std::max(1, elements / users) : elements + 1;
    int placedUsers = 0;
    for (int n = 0; n < elements; ++n) {
        simhost::Element e;
        e.guid = GS::Guid::Generate();
        e.area = 0.1 + 0.01 * (n % 97);
        const bool user = n % every == 0 && placedUsers < users;
        placedUsers += user;
        const bool ofComposite = draw(0, 1) == 0;
        if (ofComposite) {
            const int index = user ? plainComposites + draw(1, taggedComposites) : draw(1, plainComposites);
            e.type = draw(0, 1) == 0 ? ElemTypeWall : ElemTypeRoof;
            (e.type == ElemTypeWall ? e.wallAttribute : e.roofAttribute) = index;
            e.structure = simhost::Structure::Composite;
        } else {
            e.type = ElemTypeSlab;
            e.slabAttribute = user ? plainMaterials + draw(1, taggedMaterials)
                                   : draw(plainComposites + taggedComposites + 1, plainMaterials);
        }
        host.project.elements.elements.push_back(e);
    }

    host.costs.Set({HostOp::GetElementQuantities, std::nullopt}, std::chrono::microseconds(quantityCost));
    host.costs.Set({HostOp::GetElement, std::nullopt}, std::chrono::microseconds(readCost));
    auto calls = [&host](const char* operation) { return (unsigned long long)host.counters.Of(operation); };

    // The export.
    json exported;
    host.counters.Reset();
    const double exportTime =
        bench::Seconds([&] { exported = json::parse(GetProjectInfoText().ToCStr())["ImportedData"]; });
    const auto exportQuantities = calls("GetElementQuantities"), exportReads = calls("GetElement");

    // The same lists from a walk that measures every element.
    json everyLists;
    host.counters.Reset();
    const double everyTime = bench::Seconds([&] {
        const auto materials = FindTaggedMaterials();
        const auto composites = FindTaggedComposites();
        UsageScan scan(UsageScan::Measure::EveryElement);
        Track(scan, materials);
        Track(scan, composites);
        everyLists = {{"Materials", UsageListJson(UsageOf(scan, materials))},
                      {"Types", UsageListJson(UsageOf(scan, composites))},
                      {"Families", UsageListJson(ListTaggedLibraryParts())}};
    });
    const auto everyQuantities = calls("GetElementQuantities");

    // The per-item scans of a sample of the items, half materials, half composites.
    const auto materials = FindTaggedMaterials();
    const auto composites = FindTaggedComposites();
    bool sampleSame = true;
    host.counters.Reset();
    const double sampleTime = bench::Seconds([&] {
        for (int s = 0; s < sample; ++s) {
            const bool composite = s % 2 == 1;
            const auto& items = composite ? composites : materials;
            const auto& item = items[size_t(s / 2) % items.size()];
            const json figures = {reference::CountAttributeUses(item.type, item.index),
                                  reference::SumAttributeArea(item.type, item.index)};
            const json& listed = exported[composite ? "Types" : "Materials"][size_t(s / 2) % items.size()];
            sampleSame = sampleSame && figures == json({listed["NumOfElements"], listed["TotalArea"]});
        }
    });
    const auto sampleQuantities = calls("GetElementQuantities");
    const double perItemTime = sample > 0 ? sampleTime / sample * tagged : 0.0;

    const bool same = exported.dump() == everyLists.dump() && sampleSame;
    std::printf("elements: %d, using tagged items: %d, tagged items: %d (%d materials, %d composites)\n",
                elements, placedUsers, tagged, taggedMaterials, taggedComposites);
    std::printf("host costs: GetElementQuantities %d us, GetElement %d us\n", quantityCost, readCost);
    std::printf("GetElementQuantities calls: export %llu (goal: the %d users), every element %llu, "
                "per item %llu for %d items (%llu for all %d)\n",
                exportQuantities, placedUsers, everyQuantities, sampleQuantities, sample,
                sample > 0 ? sampleQuantities / (unsigned long long)sample * (unsigned long long)tagged
                           : 0ULL,
                tagged);
    std::printf("GetElement calls: export %llu\n", exportReads);
    std::printf("time: export %.3f s, every element %.3f s (ratio %.1f), per item %.1f s scaled from %.3f s "
                "for %d items (ratio %.0f)\n",
                exportTime, everyTime, everyTime / exportTime, perItemTime, sampleTime, sample,
                perItemTime / exportTime);
    std::printf("figures identical: %s\n", same ? "yes" : "NO");
    session.Unload(true);
    return same && exportQuantities == (unsigned long long)placedUsers ? 0 : 1;
}
