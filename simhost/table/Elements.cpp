// Elements: listing, reading, and quantities.
#include "table/Operations.h"

#include <cstring>

namespace simhost {

GSErrCode ops::ListElementsByType(API_AddOnHandle, Int32 typeID, GS::Array<API_Guid>* elements, Int32, Int32,
                                  const API_Guid*) {
    if (elements == nullptr || !ElementTypeName(typeID))
        return ErrBadParameter;
    for (const auto& e : CurrentHost().project.elements.elements)
        if (e.type == typeID)
            elements->Push(e.guid);
    return NoError;
}

namespace {

// Whether one of the element's references names a deleted attribute: a composite when the
// element is made of one, else a building material.
bool UsesDeletedAttribute(const AttributeStore& store, const Element& e) {
    const Int32 type = e.structure == Structure::Composite ? AttrTypeComposite : AttrTypeBuildingMaterial;
    for (Int32 reference : {e.wallAttribute, e.roofAttribute, e.slabAttribute, e.extraAttribute})
        if (store.IsDeleted(type, reference))
            return true;
    return false;
}

} // namespace

GSErrCode ops::GetElement(API_AddOnHandle, API_Element* element, Int32) {
    if (element == nullptr)
        return ErrBadParameter;
    Host& host = CurrentHost();
    const Element* e = host.project.elements.Find(element->header.guid);
    if (e == nullptr)
        return ErrNotFound;
    // Hosts differ here: some answer the record, its reference naming the deleted attribute's
    // hole; some refuse the read.
    if (host.variance.elementsOfDeletedAttributesFailRead &&
        UsesDeletedAttribute(host.project.attributes, *e))
        return ErrDeleted;
    std::memset(static_cast<void*>(element), 0, sizeof *element);
    host.variance.Noise(element, sizeof *element);
    element->header.typeID = e->type;
    element->header.guid = e->guid;
    element->wallAttribute = e->wallAttribute;
    element->roofAttribute = e->roofAttribute;
    element->slabAttribute = e->slabAttribute;
    element->extraAttribute = e->extraAttribute;
    return NoError;
}

GSErrCode ops::GetElementQuantities(API_AddOnHandle, const API_Guid* element, const API_QuantityPar*,
                                    API_Quantities* quantities, const API_QuantitiesMask* mask) {
    if (element == nullptr || quantities == nullptr || quantities->elements == nullptr || mask == nullptr)
        return ErrBadParameter;
    Host& host = CurrentHost();
    HostVariance& variance = host.variance;
    const Element* e = host.project.elements.Find(*element);
    if (e == nullptr)
        return ErrNotFound;
    if (e->quantitiesFail)
        return ErrGeneral;
    // Computed from the composite as it is now. Without the composite (it was deleted) the skins'
    // quantities cannot be computed.
    const Composite* composite = nullptr;
    if (e->structure == Structure::Composite) {
        composite = host.project.attributes.CompositeAt(OwnReference(*e));
        if (composite == nullptr)
            return ErrGeneral;
    }
    // Walls and slabs give their area at 8, roofs at 48; the rest is open.
    API_ElementQuantity& q = *quantities->elements;
    std::memset(static_cast<void*>(&q), 0, sizeof q);
    variance.Noise(&q, sizeof q);
    if (e->type == ElemTypeRoof)
        q.roofArea = e->area;
    else if (e->type == ElemTypeWall || e->type == ElemTypeSlab)
        q.area = e->area;
    // One entry per skin, in the composite's order: the skin covers the element's whole area.
    if (quantities->composites != nullptr) {
        quantities->composites->Clear();
        for (const auto& skin : composite != nullptr ? composite->skins : std::vector<CompositeSkin>{}) {
            API_CompositeQuantity c{};
            variance.Noise(&c, sizeof c);
            c.area = e->area;
            c.buildMatIndex = skin.buildingMaterial;
            quantities->composites->Push(c);
        }
    }
    return NoError;
}

} // namespace simhost
