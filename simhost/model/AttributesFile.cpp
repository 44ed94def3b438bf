#include "model/AttributesFile.h"

#include "api/AttributeRecords.h"
#include "model/HexText.h"
#include "model/Project.h"

#include <set>

namespace simhost {

using nlohmann::json;

namespace {

json Guids(const std::vector<GS::Guid>& guids) {
    json list = json::array();
    for (const auto& g : guids)
        list.push_back(g.ToString());
    return list;
}

// Written only for attributes that have user data.
void PutUserData(json& attribute, const std::optional<AttributeUserData>& data) {
    if (data)
        attribute["userData"] = {
            {"version", data->version}, {"platformSign", data->platformSign}, {"hex", ToHex(data->bytes)}};
}

} // namespace

json AttributesToJson(const AttributeStore& store) {
    json materials = json::array();
    // A deleted attribute's hole is written as null, so the others keep their indices.
    for (const auto& m : store.buildingMaterials) {
        if (m.deleted) {
            materials.push_back(nullptr);
            continue;
        }
        json values = json::object();
        for (const auto& [definition, text] : m.propertyValues)
            values[definition.ToString()] = text;
        materials.push_back({{"guid", m.guid.ToString()},
                             {"name", m.name},
                             {"id", m.id},
                             {"manufacturer", m.manufacturer},
                             {"description", m.description},
                             {"connPriority", m.connPriority},
                             {"cutFill", m.cutFill},
                             {"cutFillPen", m.cutFillPen},
                             {"cutFillBackgroundPen", m.cutFillBackgroundPen},
                             {"cutSurface", m.cutSurface},
                             {"cutReserved", m.cutReserved},
                             {"thermalConductivity", m.thermalConductivity},
                             {"density", m.density},
                             {"heatCapacity", m.heatCapacity},
                             {"showUncutLines", m.showUncutLines},
                             {"classification", Guids(m.classification)},
                             {"propertyValues", values}});
        PutUserData(materials.back(), m.userData);
    }
    json composites = json::array();
    for (const auto& c : store.composites) {
        if (c.deleted) {
            composites.push_back(nullptr);
            continue;
        }
        json skins = json::array();
        for (const auto& s : c.skins)
            skins.push_back({{"buildingMaterial", s.buildingMaterial},
                             {"framePen", s.framePen},
                             {"flags", s.flags},
                             {"thickness", s.thickness}});
        json lines = json::array();
        for (const auto& l : c.lines)
            lines.push_back({{"lineType", l.lineType}, {"linePen", l.linePen}});
        composites.push_back({{"guid", c.guid.ToString()},
                              {"name", c.name},
                              {"structureKind", c.structureKind},
                              {"totalThickness", c.totalThickness},
                              {"skins", skins},
                              {"lines", lines}});
        PutUserData(composites.back(), c.userData);
    }
    json groups = json::array();
    for (const auto& g : store.propertyGroups)
        groups.push_back({{"guid", g.guid.ToString()}, {"name", g.name}, {"description", g.description}});
    json definitions = json::array();
    for (const auto& d : store.propertyDefinitions)
        definitions.push_back({{"guid", d.guid.ToString()},
                               {"group", d.group.ToString()},
                               {"name", d.name},
                               {"description", d.description},
                               {"definitionType", d.definitionType},
                               {"collectionType", d.collectionType},
                               {"valueType", d.valueType},
                               {"measureType", d.measureType},
                               {"defaultText", d.defaultText},
                               {"availability", Guids(d.availability)},
                               {"canValueBeEditable", d.canValueBeEditable}});
    json systems = json::array();
    for (const auto& s : store.classificationSystems) {
        json items = json::array();
        for (const auto& i : s.items)
            items.push_back({{"guid", i.guid.ToString()},
                             {"parent", i.parent.ToString()},
                             {"id", i.id},
                             {"name", i.name},
                             {"description", i.description}});
        systems.push_back({{"guid", s.guid.ToString()},
                           {"name", s.name},
                           {"description", s.description},
                           {"source", s.source},
                           {"editionVersion", s.editionVersion},
                           {"editionDate", {s.year, s.month, s.day}},
                           {"items", items}});
    }
    return {{"buildingMaterials", materials},
            {"composites", composites},
            {"propertyGroups", groups},
            {"propertyDefinitions", definitions},
            {"classificationSystems", systems}};
}

namespace {

struct Reader {
    const std::string& source;

    [[noreturn]] void Refuse(const std::string& fault) const {
        throw ProjectFileError(source + ": " + fault);
    }

    const json& List(const json& document, const char* key, const std::string& where) const {
        static const json empty = json::array();
        if (!document.contains(key))
            return empty;
        const json& list = document.at(key);
        if (!list.is_array())
            Refuse(where + "." + key + " is not an array");
        return list;
    }

    GS::Guid Guid(const json& object, const char* key, const std::string& where,
                  bool nullAllowed = false) const {
        GS::Guid guid(object.at(key).get<std::string>());
        if (guid.IsNull() && !nullAllowed)
            Refuse(where + " has no valid " + key);
        return guid;
    }

    // The "name" of an attribute: not empty, and not one `indexOf` already knows.
    template <typename IndexOf>
    std::string UniqueName(const json& object, const std::string& where, IndexOf indexOf) const {
        std::string name = object.at("name").get<std::string>();
        if (name.empty())
            Refuse(where + " has an empty name");
        if (indexOf(name) != 0)
            Refuse(where + " repeats the name \"" + name + "\"");
        return name;
    }

    std::vector<GS::Guid> GuidList(const json& object, const char* key, const std::string& where) const {
        std::vector<GS::Guid> guids;
        for (const auto& g : List(object, key, where)) {
            GS::Guid guid(g.get<std::string>());
            guids.push_back(guid);
        }
        return guids;
    }

    // Files written before attributes had user data have none.
    std::optional<AttributeUserData> UserData(const json& object, const std::string& where) const {
        if (!object.contains("userData"))
            return std::nullopt;
        const json& j = object.at("userData");
        if (!j.is_object())
            Refuse(where + ".userData is not an object");
        AttributeUserData data;
        data.version = j.value("version", 0);
        data.platformSign = j.value("platformSign", UInt16(0));
        if (j.contains("hex")) {
            try {
                data.bytes = FromHex(j.at("hex").get<std::string>());
            } catch (const std::runtime_error& e) {
                Refuse(where + ".userData: " + e.what());
            }
        } else {
            // Files of before kept a block of host strings as their texts: the block is those
            // strings written into bytes.
            for (const auto& text : List(j, "texts", where + ".userData"))
                GS::AppendSerialized(data.bytes, GS::UniString(text.get<std::string>(), CC_UTF8));
        }
        if (Int64(data.bytes.size()) > AttributeUserDataMaxBytes)
            Refuse(where + ".userData holds more than " + std::to_string(AttributeUserDataMaxBytes) +
                   " bytes");
        return data;
    }
};

} // namespace

AttributeStore AttributesFromJson(const json& document, const std::string& source) {
    Reader r{source};
    if (!document.is_object())
        r.Refuse("attributes is not an object");
    AttributeStore store;
    std::set<GS::Guid> guids; // every guid of the store names one thing
    auto unique = [&](const GS::Guid& g, const std::string& where) {
        if (!guids.insert(g).second)
            r.Refuse(where + " repeats the guid " + g.ToString());
    };
    std::string where;
    try {
        const json& systems = r.List(document, "classificationSystems", "attributes");
        for (size_t n = 0; n < systems.size(); ++n) {
            where = "attributes.classificationSystems[" + std::to_string(n) + "]";
            const json& j = systems[n];
            ClassificationSystem s;
            s.guid = r.Guid(j, "guid", where);
            unique(s.guid, where);
            s.name = j.at("name").get<std::string>();
            s.description = j.value("description", "");
            s.source = j.value("source", "");
            s.editionVersion = j.value("editionVersion", "");
            const json date = j.value("editionDate", json::array({0, 0, 0}));
            if (!date.is_array() || date.size() != 3)
                r.Refuse(where + ".editionDate is not [year, month, day]");
            s.year = date[0].get<UInt16>();
            s.month = date[1].get<UInt16>();
            s.day = date[2].get<UInt16>();
            const json& items = r.List(j, "items", where);
            for (size_t k = 0; k < items.size(); ++k) {
                std::string itemWhere = where + ".items[" + std::to_string(k) + "]";
                ClassificationItem i;
                i.guid = r.Guid(items[k], "guid", itemWhere);
                unique(i.guid, itemWhere);
                i.parent = r.Guid(items[k], "parent", itemWhere, true);
                i.id = items[k].at("id").get<std::string>();
                i.name = items[k].value("name", "");
                i.description = items[k].value("description", "");
                s.items.push_back(std::move(i));
            }
            for (const auto& i : s.items) {
                bool parentKnown = i.parent.IsNull();
                for (const auto& p : s.items)
                    parentKnown = parentKnown || (p.guid == i.parent && p.guid != i.guid);
                if (!parentKnown)
                    r.Refuse(where + " has an item whose parent is not in the system: " + i.guid.ToString());
            }
            store.classificationSystems.push_back(std::move(s));
        }
        const json& groups = r.List(document, "propertyGroups", "attributes");
        for (size_t n = 0; n < groups.size(); ++n) {
            where = "attributes.propertyGroups[" + std::to_string(n) + "]";
            PropertyGroup g{r.Guid(groups[n], "guid", where), groups[n].at("name").get<std::string>(),
                            groups[n].value("description", "")};
            unique(g.guid, where);
            store.propertyGroups.push_back(std::move(g));
        }
        const json& definitions = r.List(document, "propertyDefinitions", "attributes");
        for (size_t n = 0; n < definitions.size(); ++n) {
            where = "attributes.propertyDefinitions[" + std::to_string(n) + "]";
            const json& j = definitions[n];
            PropertyDefinition d;
            d.guid = r.Guid(j, "guid", where);
            unique(d.guid, where);
            d.group = r.Guid(j, "group", where);
            if (store.FindGroup(d.group) == nullptr)
                r.Refuse(where + " names an unknown group " + d.group.ToString());
            d.name = j.at("name").get<std::string>();
            d.description = j.value("description", "");
            d.definitionType = j.value("definitionType", 0);
            d.collectionType = j.value("collectionType", 0);
            d.valueType = j.value("valueType", 0);
            d.measureType = j.value("measureType", 0);
            d.defaultText = j.value("defaultText", "");
            d.availability = r.GuidList(j, "availability", where);
            d.canValueBeEditable = j.value("canValueBeEditable", false);
            store.propertyDefinitions.push_back(std::move(d));
        }
        const json& materials = r.List(document, "buildingMaterials", "attributes");
        for (size_t n = 0; n < materials.size(); ++n) {
            where = "attributes.buildingMaterials[" + std::to_string(n) + "]";
            const json& j = materials[n];
            if (j.is_null()) {
                store.AppendHoles(AttrTypeBuildingMaterial, 1);
                continue;
            }
            BuildingMaterial m;
            m.guid = r.Guid(j, "guid", where);
            unique(m.guid, where);
            m.name = r.UniqueName(j, where, [&](const std::string& n) { return store.MaterialIndexOf(n); });
            m.id = j.value("id", "");
            m.manufacturer = j.value("manufacturer", "");
            m.description = j.value("description", "");
            m.connPriority = j.value("connPriority", 0);
            m.cutFill = j.value("cutFill", 0);
            m.cutFillPen = j.value("cutFillPen", Int16(0));
            m.cutFillBackgroundPen = j.value("cutFillBackgroundPen", Int16(0));
            m.cutSurface = j.value("cutSurface", 0);
            m.cutReserved = j.value("cutReserved", 0);
            m.thermalConductivity = j.value("thermalConductivity", 0.0);
            m.density = j.value("density", 0.0);
            m.heatCapacity = j.value("heatCapacity", 0.0);
            m.showUncutLines = j.value("showUncutLines", false);
            m.classification = r.GuidList(j, "classification", where);
            for (const auto& item : m.classification)
                if (store.FindItem(item).second == nullptr)
                    r.Refuse(where + " is classified under an unknown item " + item.ToString());
            const json values = j.value("propertyValues", json::object());
            if (!values.is_object())
                r.Refuse(where + ".propertyValues is not an object");
            for (const auto& [definition, text] : values.items()) {
                GS::Guid d(definition);
                if (store.FindDefinition(d) == nullptr)
                    r.Refuse(where + " has a value of an unknown definition " + definition);
                m.propertyValues[d] = text.get<std::string>();
            }
            m.userData = r.UserData(j, where);
            store.buildingMaterials.push_back(std::move(m));
        }
        // Files written before composites existed have none.
        const json& composites = r.List(document, "composites", "attributes");
        for (size_t n = 0; n < composites.size(); ++n) {
            where = "attributes.composites[" + std::to_string(n) + "]";
            const json& j = composites[n];
            if (j.is_null()) {
                store.AppendHoles(AttrTypeComposite, 1);
                continue;
            }
            Composite c;
            c.guid = r.Guid(j, "guid", where);
            unique(c.guid, where);
            c.name = r.UniqueName(j, where, [&](const std::string& n) { return store.CompositeIndexOf(n); });
            c.structureKind = j.value("structureKind", Int16(0));
            c.totalThickness = j.value("totalThickness", 0.0);
            for (const auto& s : r.List(j, "skins", where)) {
                CompositeSkin skin{s.at("buildingMaterial").get<Int32>(), s.value("framePen", Int16(0)),
                                   s.value("flags", Int16(0)), s.value("thickness", 0.0)};
                // A skin may name a material deleted since: its hole keeps the index.
                if (skin.buildingMaterial < 1 ||
                    skin.buildingMaterial > store.Count(AttrTypeBuildingMaterial))
                    r.Refuse(where + " has a skin of an unknown building material " +
                             std::to_string(skin.buildingMaterial));
                c.skins.push_back(skin);
            }
            for (const auto& l : r.List(j, "lines", where))
                c.lines.push_back({l.value("lineType", 0), l.value("linePen", Int16(0))});
            if (c.lines.size() != c.skins.size() + 1)
                r.Refuse(where + " has " + std::to_string(c.lines.size()) + " separator lines for " +
                         std::to_string(c.skins.size()) + " skins");
            c.userData = r.UserData(j, where);
            store.composites.push_back(std::move(c));
        }
        // Files of before kept the session's undo list too ("undoList"): it is not read.
    } catch (const json::exception& e) {
        r.Refuse(where + ": " + e.what());
    }
    return store;
}

} // namespace simhost
