#include "model/ProjectConsistency.h"

#include "api/AttributeRecords.h"
#include "api/ElementRecords.h"
#include "model/Project.h"

#include <map>
#include <set>

namespace simhost {

namespace {

// An element's attribute references are 0 for none. An element made of a composite refers to
// composites, any other element to building materials.
void CheckElements(const Project& project, const std::string& source) {
    const auto materials = Int32(project.attributes.buildingMaterials.size());
    const auto composites = Int32(project.attributes.composites.size());
    auto material = [&](Int32 index) { return index >= 1 && index <= materials; };
    for (size_t n = 0; n < project.elements.elements.size(); ++n) {
        const Element& e = project.elements.elements[n];
        const std::string where = "elements[" + std::to_string(n) + "]";
        if (e.area < 0)
            RefuseProjectFile(source, where + " has a negative area");
        const std::pair<const char*, Int32> references[] = {{"wallAttribute", e.wallAttribute},
                                                            {"roofAttribute", e.roofAttribute},
                                                            {"slabAttribute", e.slabAttribute},
                                                            {"extraAttribute", e.extraAttribute}};
        const bool ofComposite = e.structure == Structure::Composite;
        for (const auto& [name, index] : references) {
            if (index < 0)
                RefuseProjectFile(source, where + "." + name + " is negative: " + std::to_string(index));
            if (index == 0)
                continue;
            if (ofComposite && index > composites)
                RefuseProjectFile(source, where + "." + name + " refers to composite " +
                                              std::to_string(index) +
                                              ", which does not exist (the project has " +
                                              std::to_string(composites) + ")");
            if (!ofComposite && !material(index))
                RefuseProjectFile(
                    source, where + "." + name + " refers to building material " + std::to_string(index) +
                                ", which does not exist (the project has " + std::to_string(materials) + ")");
        }
        if (!e.libraryPart.empty() && e.type != ElemTypeObject)
            RefuseProjectFile(source,
                              where + " is not an object but names library part \"" + e.libraryPart + "\"");
    }
}

// Items whose parents lead back to themselves hang under no top-level item: no tree shows them.
void CheckClassificationTrees(const Project& project, const std::string& source) {
    for (const auto& system : project.attributes.classificationSystems) {
        std::map<GS::Guid, GS::Guid> parents;
        for (const auto& item : system.items)
            parents.emplace(item.guid, item.parent);
        for (const auto& item : system.items) {
            std::set<GS::Guid> seen{item.guid};
            for (GS::Guid parent = item.parent; !parent.IsNull();) {
                if (!seen.insert(parent).second)
                    RefuseProjectFile(source, "classification system \"" + system.name +
                                                  "\" has a cycle of parents through " +
                                                  item.guid.ToString());
                auto next = parents.find(parent);
                parent = next != parents.end() ? next->second : GS::Guid();
            }
        }
    }
}

// A custom autotext that takes a built-in one's identity would share its key.
void CheckAutotexts(const Project& project, const std::string& source) {
    const auto builtIn = project.BuiltInAutotexts();
    for (size_t n = 0; n < project.autotexts.size(); ++n)
        for (const auto& b : builtIn)
            if (project.autotexts[n].identity == b.identity)
                RefuseProjectFile(source, "autotexts[" + std::to_string(n) +
                                              "] takes the identity of the built-in autotext \"" + b.name +
                                              "\"");
}

} // namespace

void CheckProjectConsistency(const Project& project, const std::string& source) {
    CheckElements(project, source);
    CheckClassificationTrees(project, source);
    CheckAutotexts(project, source);
}

} // namespace simhost
