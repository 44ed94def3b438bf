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

Int32& OwnReference(Element& e) {
    switch (e.type) {
    case ElemTypeWall:
        return e.wallAttribute;
    case ElemTypeSlab:
        return e.slabAttribute;
    default:
        return e.roofAttribute;
    }
}

Int32 OwnReference(const Element& e) {
    return OwnReference(const_cast<Element&>(e));
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
        list.push_back({{"guid", e.guid.ToString()},
                        {"type", e.type},
                        {"id", e.id},
                        {"wallAttribute", e.wallAttribute},
                        {"roofAttribute", e.roofAttribute},
                        {"slabAttribute", e.slabAttribute},
                        {"extraAttribute", e.extraAttribute},
                        {"structure", e.structure == Structure::Composite ? "composite" : "material"},
                        {"libraryPart", e.libraryPart},
                        {"area", e.area},
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

// What the element is made of. Files of before kept an element's composite entries instead:
// an element with entries was made of a composite.
template <typename Refuse>
Structure StructureOf(const json& element, const std::string& where, const Refuse& refuse) {
    if (element.contains("structure")) {
        const json& structure = element.at("structure");
        if (structure == "material")
            return Structure::Material;
        if (structure == "composite")
            return Structure::Composite;
        refuse(where + ".structure is neither \"material\" nor \"composite\": " + structure.dump());
    }
    const json entries = element.value("composite", json::array());
    if (!entries.is_array())
        refuse(where + ".composite is not an array");
    return entries.empty() ? Structure::Material : Structure::Composite;
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
            e.structure = StructureOf(j, where, refuse);
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
