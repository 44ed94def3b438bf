#pragma once

#include "api/Basics.h"
#include "io/Location.h"

constexpr Int32 LibPartKindObject = 4;
constexpr UInt16 LibPartFlagGenerated = 0x0100;
constexpr int LibPartNameUnits = 256;

// Section codes of a library part.
constexpr GSType SectionComment = FourCC("CTXT");
constexpr GSType SectionKeywords = FourCC("KWRD");
constexpr GSType SectionCopyright = FourCC("CPYR");
constexpr GSType SectionMasterScript = FourCC("1DSC");
constexpr GSType Section3DScript = FourCC("3DSC");
constexpr GSType Section2DScript = FourCC("2DSC");
constexpr GSType SectionPreview = FourCC("GIFF"); // "image/<type>", a NUL, the picture's bytes
constexpr GSType SectionParameters = FourCC("PARD");

struct API_LibPart {
    Int32 typeID;
    Int32 index; // from 1
    char16_t docuName[LibPartNameUnits];
    char16_t fileName[LibPartNameUnits];
    UInt16 reserved0;
    UInt16 flags;
    UInt8 reserved1[36];
    IO::Location* location;
    UInt8 reserved2[1344 - 1080];
};
QV_PIN_SIZE(API_LibPart, 1344);
QV_PIN_OFFSET(API_LibPart, typeID, 0);
QV_PIN_OFFSET(API_LibPart, index, 4);
QV_PIN_OFFSET(API_LibPart, docuName, 8);
QV_PIN_OFFSET(API_LibPart, fileName, 520);
QV_PIN_OFFSET(API_LibPart, flags, 1034);
QV_PIN_OFFSET(API_LibPart, location, 1072);

struct API_LibPartSection {
    GSType sectType;
    Int16 subIdent;
    UInt8 reserved[6];
};
QV_PIN_SIZE(API_LibPartSection, 12);
QV_PIN_OFFSET(API_LibPartSection, sectType, 0);

constexpr Int32 ParamTypeText = 12;
constexpr Int32 ParamTypeTitle = 15;
constexpr Int16 ParamModifierSingle = 0;
constexpr Int16 ParamModifierArray = 2;
constexpr int ParamNameSize = 32;
constexpr int ParamTextUnits = 256;

struct API_AddParType {
    Int32 typeID;
    Int16 index;
    Int16 typeMod;
    char name[ParamNameSize];
    char16_t description[ParamTextUnits];
    UInt8 reserved0[1072 - 552];
    Int16 flags;
    UInt8 reserved1[6];
    GSHandle arrayDescriptions; // arrays only
    union {
        char16_t text[ParamTextUnits];
        double real;
        GSHandle array; // arrays only
    } value;
};
QV_PIN_SIZE(API_AddParType, 1600);
QV_PIN_OFFSET(API_AddParType, typeID, 0);
QV_PIN_OFFSET(API_AddParType, typeMod, 6);
QV_PIN_OFFSET(API_AddParType, name, 8);
QV_PIN_OFFSET(API_AddParType, description, 40);
QV_PIN_OFFSET(API_AddParType, flags, 1072);
QV_PIN_OFFSET(API_AddParType, arrayDescriptions, 1080);
QV_PIN_OFFSET(API_AddParType, value, 1088);

struct API_LibPartDetails {
    UInt8 bytes[3200];
};
QV_PIN_SIZE(API_LibPartDetails, 3200);

// A library of the project's library list: a folder or a library container.
struct API_LibraryInfo {
    IO::Location location;
    GS::UniString name;
    Int32 libraryType = 0; // the host's; 0 for a library the add-on adds
    Int32 readOnly = 0;
};
QV_PIN_SIZE(API_LibraryInfo, 56);
QV_PIN_OFFSET(API_LibraryInfo, location, 0);
QV_PIN_OFFSET(API_LibraryInfo, name, 32);
QV_PIN_OFFSET(API_LibraryInfo, libraryType, 48);
