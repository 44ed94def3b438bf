#include "model/Selection.h"

#include "model/Project.h"

#include <algorithm>

namespace simhost {

using nlohmann::json;

bool Selection::Contains(const GS::Guid& guid) const {
    return std::find(guids.begin(), guids.end(), guid) != guids.end();
}

void Selection::Add(const std::vector<GS::Guid>& more) {
    for (const auto& g : more)
        if (!Contains(g))
            guids.push_back(g);
}

void Selection::Replace(const std::vector<GS::Guid>& with) {
    guids.clear();
    Add(with);
}

json SelectionToJson(const Selection& selection) {
    json list = json::array();
    for (const auto& g : selection.guids)
        list.push_back(g.ToString());
    return list;
}

Selection SelectionFromJson(const json& list, const ElementStore& elements, const std::string& source) {
    auto refuse = [&source](const std::string& fault) { throw ProjectFileError(source + ": " + fault); };
    if (!list.is_array())
        refuse("selection is not an array");
    Selection selection;
    for (size_t n = 0; n < list.size(); ++n) {
        std::string where = "selection[" + std::to_string(n) + "]";
        if (!list[n].is_string())
            refuse(where + " is not a text");
        GS::Guid guid(list[n].get<std::string>());
        if (guid.IsNull())
            refuse(where + " is not a guid");
        if (elements.Find(guid) == nullptr)
            refuse(where + " names no element: " + guid.ToString());
        if (selection.Contains(guid))
            refuse(where + " repeats " + guid.ToString());
        selection.guids.push_back(guid);
    }
    return selection;
}

} // namespace simhost
