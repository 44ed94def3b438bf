#pragma once

#include "api/Basics.h"

// Property and classification records. They hold host strings and arrays, so they are C++
// objects rather than byte blocks; their sizes are pinned all the same.

constexpr Int32 PropertyGroupCustom = 2;
constexpr Int32 PropertyDefinitionCustom = 2;
constexpr Int32 PropertyCollectionSingle = 1;
constexpr Int32 PropertyValueText = 3;
constexpr Int32 PropertyMeasureDefault = 1;
constexpr Int32 PropertyStatusNormal = 2;
constexpr Int32 PropertyStatusNull = 3; // the host's answer when a value was never set

// Filter codes of GetAttributePropertyDefinitions: 0 lists the definitions whose availability
// holds one of the attribute's classification items; 3 lists those and also the definitions the
// attribute holds a value of.
constexpr Int32 PropertyFilterAvailable = 0;
constexpr Int32 PropertyFilterAvailableOrValued = 3;

struct API_PropertyGroup {
    Int32 groupType;
    Int32 reserved0;
    API_Guid guid;
    GS::UniString name;
    GS::UniString description;
};
QV_PIN_SIZE(API_PropertyGroup, 56);

struct API_Variant {
    Int32 type;
    bool boolValue;
    Int32 intValue;
    double doubleValue;
    GS::UniString uniStringValue;
    API_Guid guidValue;
};
QV_PIN_SIZE(API_Variant, 56);

struct API_SingleVariant {
    API_Variant variant;
};

struct API_ListVariant {
    GS::Array<API_Variant> variants;
};

struct API_PropertyValue {
    API_SingleVariant singleVariant;
    API_ListVariant listVariant;
    API_Variant singleEnumVariant;
    API_Variant multipleEnumVariantDefault;
    GS::Array<API_Variant> multipleEnumVariant;
    Int32 variantStatus;
};

struct API_PropertyDefinition {
    Int32 definitionType;
    API_Guid guid;
    API_Guid groupGuid;
    GS::UniString name;
    GS::UniString description;
    Int32 collectionType;
    Int32 valueType;
    Int32 measureType;
    API_PropertyValue defaultValue;
    GS::Array<GS::UniString> expressions;
    bool expressionDefault;
    GS::Array<API_Guid> availability;
    GS::Array<API_Variant> possibleEnumValues;
    bool canValueBeEditable;
};

struct API_Property {
    API_PropertyDefinition definition;
    API_PropertyValue value;
    bool isDefault;
};

struct API_ClassificationDate {
    UInt16 year;
    UInt16 month;
    UInt16 day;
};
QV_PIN_SIZE(API_ClassificationDate, 6);

struct API_ClassificationSystem {
    API_Guid guid;
    GS::UniString name;
    GS::UniString description;
    GS::UniString source;
    GS::UniString editionVersion;
    API_ClassificationDate editionDate;
};
QV_PIN_SIZE(API_ClassificationSystem, 88);
QV_PIN_OFFSET(API_ClassificationSystem, guid, 0);
QV_PIN_OFFSET(API_ClassificationSystem, name, 16);
QV_PIN_OFFSET(API_ClassificationSystem, editionVersion, 64);
QV_PIN_OFFSET(API_ClassificationSystem, editionDate, 80);

struct API_ClassificationItem {
    API_Guid guid;
    GS::UniString id;
    GS::UniString name;
    GS::UniString description;
};
QV_PIN_SIZE(API_ClassificationItem, 64);
QV_PIN_OFFSET(API_ClassificationItem, id, 16);
