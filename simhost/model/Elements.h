#pragma once

#include "gs/Guid.h"
#include "gs/Types.h"
#include "model/Libraries.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace simhost {

// What a placed element is made of: its references name building materials or composites.
enum class Structure { Material, Composite };

// A placed element, as a user would draw it. It keeps what the host knows of it; its quantities
// are computed from it and from the project as it is when they are asked for.
struct Element {
    GS::Guid guid;
    Int32 type = 0; // 1 wall, 6 object, 8 slab, 9 roof
    std::string id; // the element's identifying text
    // The four attribute references of the element record (bytes 128, 132, 136, 276). The
    // element's own one (OwnReference) is the attribute it is made of.
    Int32 wallAttribute = 0;
    Int32 roofAttribute = 0;
    Int32 slabAttribute = 0;
    Int32 extraAttribute = 0;
    Structure structure = Structure::Material;
    // Objects: the name of the library part they place. An object names its part, as a host's
    // objects do: the first part of that name in the library part list serves it, wherever the
    // list puts it; while no part has the name, the object's part is missing.
    std::string libraryPart;
    double area = 0.0;
    // The host cannot compute this element's quantities.
    bool quantitiesFail = false;
};

// The reference that names what the element is made of: walls at 128, slabs at 136, roofs (and
// anything else) at 132.
Int32& OwnReference(Element& e);
Int32 OwnReference(const Element& e);

struct ElementStore {
    std::vector<Element> elements; // in creation order

    Element* Find(const GS::Guid& guid);
    const Element* Find(const GS::Guid& guid) const;
    // The first element with that identifying text; null when none.
    const Element* FindById(const std::string& id) const;
    // A fresh identifying text for an element placed without one: "<type name>-<n>".
    std::string NextId(Int32 type) const;

private:
    // Where the last look-up hit: walks over the elements in order find the next one close by.
    mutable size_t lastFound = 0;
};

// The host's name of an element type; nothing for a type it does not know.
std::optional<std::string> ElementTypeName(Int32 type);

nlohmann::json ElementsToJson(const ElementStore& store);
// Throws ProjectFileError naming `source` for a malformed list. Files of before named an
// object's part by its place in the project's library part list, which `libraries` holds.
ElementStore ElementsFromJson(const nlohmann::json& list, const Libraries& libraries,
                              const std::string& source);

} // namespace simhost
