#include "import/PropertySets.h"

#include "gs/Debug.h"

namespace {

using nlohmann::json;

// Visits what a range end list or a value list holds: an array its elements, an object its member
// values in key order, null nothing. Entries are taken by inserting access, so a null entry reads
// as an object without `value` and a non-object entry raises the JSON library's type error.
template <typename Visit> void VisitEntries(json& list, Visit visit) {
    for (json& entry : list)
        visit(entry["value"].dump(-1, ' ', false, json::error_handler_t::strict));
}

void DropLast(std::string& text) {
    if (!text.empty())
        text.pop_back();
}

void Clean(std::string& text) {
    for (char& c : text)
        if (c == '"')
            c = ' ';
    for (auto at = text.find(" ,"); at != std::string::npos; at = text.find(" ,"))
        text.replace(at, 2, ",");
    if (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
}

std::string ValueText(json& property, const std::string& type, const std::string& unit) {
    std::string text;
    if (type == "Range") {
        json& ranges = property["ranges"];
        if (ranges.is_null())
            ranges = json::array();
        if (ranges.is_array() && ranges.empty())
            ranges.push_back(nullptr);
        // Raises the numeric-argument type error for anything but an array.
        json& ends = ranges[0];
        VisitEntries(ends, [&](const std::string& value) { text += value + "/"; });
        DropLast(text);
        text += " " + unit;
    } else if (type == "ValueList") {
        VisitEntries(property["values"], [&](const std::string& value) { text += value + " " + unit + ","; });
        DropLast(text);
    }
    Clean(text);
    return text;
}

} // namespace

PropertySetMap ReadPropertySets(const nlohmann::json& propertySets) {
    PropertySetMap result;
    json sets = propertySets;
    std::string lastPropertyName;
    for (json& set : sets) {
        const std::string setName = set["name"].get<std::string>();
        PropertyMap properties;
        for (json& property : set["properties"]) {
            std::string name = property["name"].get<std::string>();
            const json& unitValue = property["unit"];
            const std::string unit = unitValue.is_null() ? std::string() : unitValue.get<std::string>();
            const std::string type = property["type"].get<std::string>();
            const std::string value = ValueText(property, type, unit);
            DBPrintf("-  %s : %s \n", name.c_str(), value.c_str());
            lastPropertyName = name;
            properties.emplace(std::move(name), value);
        }
        DBPrintf("%s : %s : %s \n", setName.c_str(), lastPropertyName.c_str(), "");
        result.emplace(setName, std::move(properties));
    }
    return result;
}

void AddProductTag(PropertySetMap& sets, const std::string& uuid) {
    sets[ProductTagName][ProductTagName] = uuid;
}
