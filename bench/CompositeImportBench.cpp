// A composite import over a project of tagged building materials: the layers' materials numbered
// from one count of the project, kept as the import tags materials, against the same materials
// numbered by counting the whole project before each layer (the baseline, measured in the same
// run on a project of its own; the import is timed whole, the baseline for its materials only).
// Property-definition reads and time of both, at 10 and 500 layers over 30 and 3,000 materials;
// the identifiers both give must be the same, byte for byte.
#include "BenchSupport.h"

#include "import/AttributeImporter.h"
#include "import/ImportDispatcher.h"
#include "model/Project.h"
#include "support/ImportMaterial.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using nlohmann::json;

namespace {

// Layers of 20 products that take turns, each tagged with its own identifier.
json Roof(int layers) {
    json list = json::array();
    for (int i = 0; i < layers; ++i) {
        const std::string n = std::to_string(i % 20);
        list.push_back(
            {{"layerstyle", "Thermal"},
             {"thickness", 10},
             {"product", {{"name", "Layer " + n}, {"uuid", "l-" + n}, {"supplier", {{"name", "S"}}}}}});
    }
    return {{"importType", "TYPE_IMPORT"},
            {"constructionType", "Roof"},
            {"Name", "Roof"},
            {"uuid", 7},
            {"layers", list}};
}

struct Run {
    double seconds = 0;
    UInt64 definitionReads = 0;
    std::vector<std::string> identifiers;
};

// A project of `materials` tagged building materials, then `work` run on it and measured.
Run Measure(int materials, const std::function<void()>& work) {
    simhost::Host host;
    simhost::Session session{host};
    if (!bench::StartAddOn(session))
        std::exit(1);
    testing_support::ImportTaggedMaterials(host, "Material", "m-", materials);
    host.counters.Reset();
    Run run;
    run.seconds = bench::Seconds(work);
    run.definitionReads = host.counters.Of("GetAttributePropertyDefinitions");
    for (const auto& m : host.project.attributes.buildingMaterials)
        run.identifiers.push_back(m.name + " " + m.id);
    session.Unload(true);
    return run;
}

} // namespace

int main() {
    bool same = true, withinGoal = true;
    std::printf("%6s %9s | %14s %10s | %16s %10s | %9s %9s\n", "layers", "materials", "reads, counted",
                "time", "reads, per layer", "time", "reads x", "time x");
    for (int layers : {10, 500}) {
        for (int materials : {30, 3000}) {
            const json roof = Roof(layers);
            const Run counted = Measure(materials, [&] { RunImport(GS::UniString(roof.dump())); });
            const Run perLayer = Measure(materials, [&] {
                // Each layer's material numbered by counting the whole project, as each layer did.
                for (const auto& layer : AttributeImporter::ReadComposite(roof).layers) {
                    MaterialData material = layer.material;
                    (void)MaterialImporter::CreateBuildingMaterial(material);
                }
            });
            same = same && counted.identifiers == perLayer.identifiers;
            withinGoal = withinGoal && counted.definitionReads <= UInt64(4 * (layers + materials));
            std::printf("%6d %9d | %14llu %9.3fs | %16llu %9.3fs | %9.1f %9.1f\n", layers, materials,
                        (unsigned long long)counted.definitionReads, counted.seconds,
                        (unsigned long long)perLayer.definitionReads, perLayer.seconds,
                        double(perLayer.definitionReads) / double(counted.definitionReads),
                        perLayer.seconds / counted.seconds);
        }
    }
    std::printf("identifiers identical: %s; definition reads within 4 x (layers + materials): %s\n",
                same ? "yes" : "NO", withinGoal ? "yes" : "NO");
    return same && withinGoal ? 0 : 1;
}
