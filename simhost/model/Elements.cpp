#include "model/Elements.h"

#include "api/ElementRecords.h"
#include "model/Project.h"

namespace simhost {

using nlohmann::json;

Element* ElementStore::Find(const GS::Guid& guid) {
    const size_t n = elements.size();
    for (size_t k = 0; k < n; ++k) {
        size_t i = (lastFound + k) % n;
        if (elements[i].guid == guid) {
            lastFound = i;
            return &elements[i];
        }
    }
    return nullptr;
}

const Element* ElementStore::Find(const GS::Guid& guid) const {
    return const_cast<ElementStore*>(this)->Find(guid);
}

const Element* ElementStore::FindById(const std::string& id) const {
    for (const auto& e : elements)
        if (e.id == id)
            return &e;
    return nullptr;
}

std::optional<std::string> ElementTypeName(Int32 type) {
    switch (type) {
    case 1:
        return "Wall";
    case 6:
        return "Object";
    case 8:
        return "Slab";
    case 9:
        return "Roof";
    default:
        return std::nullopt;
    }
}

std::string ElementStore::NextId(Int32 type) const {
    std::string prefix = ElementTypeName(type).value_or("Element") + "-";
    size_t n = 1;
    for (const auto& e : elements)
        if (e.type == type)
            ++n;
    for (;; ++n) {
        std::string candidate = prefix + std::to_string(n);
        bool taken = false;
        for (const auto& e : elements)
            taken = taken || e.id == candidate;
        if (!taken)
            return candidate;
    }
}

json ElementsToJson(const ElementStore& store) {
    json list = json::array();
    for (const auto& e : store.elements) {
        json shares = json::array();
        for (const auto& s : e.composite)
            shares.push_back({{"buildingMaterial", s.buildingMaterial}, {"area", s.area}});
        list.push_back({{"guid", e.guid.ToString()},
                        {"type", e.type},
                        {"id", e.id},
                        {"wallAttribute", e.wallAttribute},
                        {"roofAttribute", e.roofAttribute},
                        {"slabAttribute", e.slabAttribute},
                        {"extraAttribute", e.extraAttribute},
                        {"libraryPart", e.libraryPart},
                        {"area", e.area},
                        {"composite", shares},
                        {"quantitiesFail", e.quantitiesFail}});
    }
    return list;
}

namespace {

// The name of the part an object places. Files of before named it by its place in the library
// part list (0 for none); a place the list no longer has is a missing part.
template <typename Refuse>
std::string LibraryPartName(const json& element, const Libraries& libraries, const std::string& where,
                            const Refuse& refuse) {
    if (!element.contains("libraryPart"))
        return std::string();
    const json& part = element.at("libraryPart");
    if (part.is_string())
        return part.get<std::string>();
    const Int32 index = part.get<Int32>();
    if (index < 0)
        refuse(where + ".libraryPart is negative: " + std::to_string(index));
    if (index != 0 && element.value("type", 0) != ElemTypeObject)
        refuse(where + " is not an object but names library part " + std::to_string(index));
    const auto all = libraries.AllParts();
    return index >= 1 && size_t(index) <= all.size() ? all[size_t(index) - 1]->name : std::string();
}

} // namespace

ElementStore ElementsFromJson(const json& list, const Libraries& libraries, const std::string& source) {
    auto refuse = [&source](const std::string& fault) { throw ProjectFileError(source + ": " + fault); };
    if (!list.is_array())
        refuse("elements is not an array");
    ElementStore store;
    for (size_t n = 0; n < list.size(); ++n) {
        const json& j = list[n];
        std::string where = "elements[" + std::to_string(n) + "]";
        try {
            Element e;
            e.guid = GS::Guid(j.at("guid").get<std::string>());
            e.type = j.at("type").get<Int32>();
            e.id = j.value("id", "");
            e.wallAttribute = j.value("wallAttribute", 0);
            e.roofAttribute = j.value("roofAttribute", 0);
            e.slabAttribute = j.value("slabAttribute", 0);
            e.extraAttribute = j.value("extraAttribute", 0);
            e.libraryPart = LibraryPartName(j, libraries, where, refuse);
            e.area = j.value("area", 0.0);
            e.quantitiesFail = j.value("quantitiesFail", false);
            for (const auto& s : j.value("composite", json::array()))
                e.composite.push_back({s.at("buildingMaterial").get<Int32>(), s.at("area").get<double>()});
            if (e.guid.IsNull())
                refuse(where + " has no valid guid");
            if (!ElementTypeName(e.type))
                refuse(where + " has the unknown type " + std::to_string(e.type));
            if (store.Find(e.guid) != nullptr)
                refuse(where + " repeats the guid " + e.guid.ToString());
            store.elements.push_back(std::move(e));
        } catch (const json::exception& ex) {
            refuse(where + ": " + ex.what());
        }
    }
    return store;
}

} // namespace simhost
