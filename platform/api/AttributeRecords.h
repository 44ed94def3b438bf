#pragma once

#include "api/Basics.h"

constexpr Int32 AttrTypeComposite = 5;
constexpr Int32 AttrTypeBuildingMaterial = 17;
constexpr int AttrNameSize = 256;

struct API_AttributeHeader {
    Int32 typeID;
    Int32 index; // from 1; 0 asks the host to find the attribute by name
    Int16 flags;
    Int16 structureKind; // composites: 1 wall, 2 floor, 4 roof
    Int32 reserved0;
    API_Guid guid;
    char name[AttrNameSize]; // NUL-terminated 8-bit text
};
QV_PIN_SIZE(API_AttributeHeader, 288);
QV_PIN_OFFSET(API_AttributeHeader, typeID, 0);
QV_PIN_OFFSET(API_AttributeHeader, index, 4);
QV_PIN_OFFSET(API_AttributeHeader, structureKind, 10);
QV_PIN_OFFSET(API_AttributeHeader, guid, 16);
QV_PIN_OFFSET(API_AttributeHeader, name, 32);

// The texts are the caller's strings: the host copies them in, and fills those given on a read.
struct API_BuildingMaterialType {
    GS::UniString* id;
    GS::UniString* manufacturer;
    GS::UniString* description;
    Int32 connPriority;
    Int32 cutFill;
    Int16 cutFillPen;
    Int16 cutFillBackgroundPen;
    Int32 cutSurface;
    Int32 cutReserved; // the integer after the cut surface
    Int32 reserved0;
    double thermalConductivity;
    double density;
    double heatCapacity;
    Int32 reserved1[4];
    bool showUncutLines;
    UInt8 reserved2[7];
};
QV_PIN_SIZE(API_BuildingMaterialType, 96);
QV_PIN_OFFSET(API_BuildingMaterialType, connPriority, 24);
QV_PIN_OFFSET(API_BuildingMaterialType, cutFill, 28);
QV_PIN_OFFSET(API_BuildingMaterialType, cutFillPen, 32);
QV_PIN_OFFSET(API_BuildingMaterialType, cutFillBackgroundPen, 34);
QV_PIN_OFFSET(API_BuildingMaterialType, cutSurface, 36);
QV_PIN_OFFSET(API_BuildingMaterialType, cutReserved, 40);
QV_PIN_OFFSET(API_BuildingMaterialType, thermalConductivity, 48);
QV_PIN_OFFSET(API_BuildingMaterialType, showUncutLines, 88);

struct API_CompositeType {
    double totalThickness; // metres
    Int16 nSkins;
    Int16 nLines;
    Int32 reserved0;
};
QV_PIN_SIZE(API_CompositeType, 16);

struct API_Attribute {
    API_AttributeHeader header;
    union {
        API_BuildingMaterialType buildingMaterial;
        API_CompositeType composite;
        UInt8 body[1384 - 288];
    };
};
QV_PIN_SIZE(API_Attribute, 1384);
QV_PIN_OFFSET(API_Attribute, header, 0);
QV_PIN_OFFSET(API_Attribute, buildingMaterial, 288);
QV_PIN_OFFSET(API_Attribute, composite, 288);

// One skin of a composite.
struct API_CompositeSkin {
    Int32 buildingMaterial;
    Int16 framePen;
    Int16 flags;
    double thickness; // metres
};
QV_PIN_SIZE(API_CompositeSkin, 16);
QV_PIN_OFFSET(API_CompositeSkin, buildingMaterial, 0);
QV_PIN_OFFSET(API_CompositeSkin, framePen, 4);
QV_PIN_OFFSET(API_CompositeSkin, flags, 6);
QV_PIN_OFFSET(API_CompositeSkin, thickness, 8);

// One separator line of a composite: skins + 1 of them.
struct API_CompositeLine {
    Int32 lineType;
    Int16 linePen;
    UInt8 reserved[30];
};
QV_PIN_SIZE(API_CompositeLine, 36);
QV_PIN_OFFSET(API_CompositeLine, lineType, 0);
QV_PIN_OFFSET(API_CompositeLine, linePen, 4);

// The blocks that come with a composite: handles of the host's memory manager.
struct API_AttributeDefinitions {
    GSHandle compositeSkins; // API_CompositeSkin[nSkins]
    GSHandle compositeLines; // API_CompositeLine[nSkins + 1]
    Int64 reserved[6];
};
QV_PIN_SIZE(API_AttributeDefinitions, 64);
QV_PIN_OFFSET(API_AttributeDefinitions, compositeSkins, 0);
QV_PIN_OFFSET(API_AttributeDefinitions, compositeLines, 8);

// An attribute's user data: a block of the host's memory manager.
struct API_AttributeUserData {
    Int32 dataVersion;
    UInt16 platformSign;
    UInt16 reserved0;
    Int64 reserved1;
    GSHandle dataHdl;
};
QV_PIN_SIZE(API_AttributeUserData, 24);
QV_PIN_OFFSET(API_AttributeUserData, dataVersion, 0);
QV_PIN_OFFSET(API_AttributeUserData, platformSign, 4);
QV_PIN_OFFSET(API_AttributeUserData, dataHdl, 16);
constexpr UInt16 PlatformSignature = 0x5757;
// The largest block of user data the host keeps with an attribute, in bytes.
constexpr Int64 AttributeUserDataMaxBytes = 65536;
