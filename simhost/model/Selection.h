#pragma once

#include "gs/Guid.h"
#include "model/Elements.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace simhost {

// The elements selected in the project, in the order they were selected. Kept with the project,
// so a saved project opens with its selection.
struct Selection {
    std::vector<GS::Guid> guids;

    bool Contains(const GS::Guid& guid) const;
    // Appends the elements not selected yet, in their order.
    void Add(const std::vector<GS::Guid>& more);
    void Replace(const std::vector<GS::Guid>& with);
};

nlohmann::json SelectionToJson(const Selection& selection);
// Throws ProjectFileError naming `source` for a malformed list, or one naming an element
// `elements` does not hold.
Selection SelectionFromJson(const nlohmann::json& list, const ElementStore& elements,
                            const std::string& source);

} // namespace simhost
