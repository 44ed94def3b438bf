#pragma once

#include "api/Basics.h"

constexpr Int32 ElemTypeWall = 1;
constexpr Int32 ElemTypeObject = 6;
constexpr Int32 ElemTypeSlab = 8;
constexpr Int32 ElemTypeRoof = 9;

struct API_ElemHead {
    Int32 typeID;
    Int32 variation;
    Int64 reserved0;
    API_Guid guid;
    Int32 layer;
    Int32 floor;
    UInt8 reserved[72];
};
QV_PIN_SIZE(API_ElemHead, 112);
QV_PIN_OFFSET(API_ElemHead, typeID, 0);
QV_PIN_OFFSET(API_ElemHead, guid, 16);

// An element. Walls refer to their attribute at 128, roofs at 132, slabs at 136; 276 is a
// further attribute reference of the element. The record does not say whether a reference names
// a building material or a composite (they are numbered apart): an element whose quantities have
// composite entries is made of a composite, any other of a building material.
struct API_Element {
    API_ElemHead header;
    UInt8 reserved0[16];
    Int32 wallAttribute;
    Int32 roofAttribute;
    Int32 slabAttribute;
    UInt8 reserved1[136];
    Int32 extraAttribute;
    UInt8 reserved2[4856 - 280];
};
QV_PIN_SIZE(API_Element, 4856);
QV_PIN_OFFSET(API_Element, header, 0);
QV_PIN_OFFSET(API_Element, wallAttribute, 128);
QV_PIN_OFFSET(API_Element, roofAttribute, 132);
QV_PIN_OFFSET(API_Element, slabAttribute, 136);
QV_PIN_OFFSET(API_Element, extraAttribute, 276);

// An element's quantities: walls and slabs give their area at 8, roofs at 48.
struct API_ElementQuantity {
    double volume;
    double area;
    UInt8 reserved0[32];
    double roofArea;
    UInt8 reserved1[1160 - 56];
};
QV_PIN_SIZE(API_ElementQuantity, 1160);
QV_PIN_OFFSET(API_ElementQuantity, area, 8);
QV_PIN_OFFSET(API_ElementQuantity, roofArea, 48);

// One skin's quantities of an element made of a composite.
struct API_CompositeQuantity {
    double volume;
    double projectedArea;
    double thickness;
    double area;
    Int32 buildMatIndex;
    Int32 flags;
};
QV_PIN_SIZE(API_CompositeQuantity, 40);
QV_PIN_OFFSET(API_CompositeQuantity, area, 24);
QV_PIN_OFFSET(API_CompositeQuantity, buildMatIndex, 32);

// Which quantities to compute; every bit set asks for all.
struct API_QuantitiesMask {
    UInt8 bits[7184];
};
QV_PIN_SIZE(API_QuantitiesMask, 7184);

// Settings of the quantity computation; the host uses its defaults for a zero-filled block.
struct API_QuantityPar {
    double minOpeningSize;
    UInt8 reserved[56];
};
QV_PIN_SIZE(API_QuantityPar, 64);

// Where GetElementQuantities writes: the element's record and its composite entries.
struct API_Quantities {
    API_ElementQuantity* elements;
    GS::Array<API_CompositeQuantity>* composites;
};
QV_PIN_SIZE(API_Quantities, 16);

// One selected element.
struct API_Neig {
    Int32 neigID;
    Int32 inIndex;
    API_Guid guid;
    UInt8 reserved[24];
};
QV_PIN_SIZE(API_Neig, 48);
QV_PIN_OFFSET(API_Neig, guid, 8);

// GetSelection's summary; the caller disposes of the handle the host leaves in `marquee`.
struct API_SelectionInfo {
    Int32 typeID;
    Int32 count;
    Int64 reserved0;
    GSHandle marquee;
    Int64 reserved1;
};
QV_PIN_SIZE(API_SelectionInfo, 32);
QV_PIN_OFFSET(API_SelectionInfo, marquee, 16);
