#pragma once

#include "model/Project.h"

#include <string>
#include <vector>

namespace testing_support {

// Appends a composite with one skin of each building material in turn, made for walls, floors
// and roofs; answers its index.
inline Int32 AddComposite(simhost::Project& project, const std::vector<Int32>& materials) {
    simhost::Composite c;
    c.guid = GS::Guid::Generate();
    c.name = "Composite " + std::to_string(project.attributes.composites.size() + 1);
    c.structureKind = 1 | 2 | 4;
    for (Int32 m : materials)
        c.skins.push_back({m, 0, 0, 0.1});
    c.lines.resize(c.skins.size() + 1);
    project.attributes.composites.push_back(c);
    return Int32(project.attributes.composites.size());
}

} // namespace testing_support
