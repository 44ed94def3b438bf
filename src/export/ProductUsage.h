#pragma once

#include "export/UsageScan.h"
#include "gs/Types.h"

#include <string>
#include <vector>

// One imported product found in the project.
struct ProductUsage {
    std::string Uuid;
    Int32 NumOfElements = 0;
    double TotalArea = 0.0;
    bool SuplierData = false;
};
using ProductUsageList = std::vector<ProductUsage>;

// A tagged item of the project: an attribute (its type and index) or a library part (the type
// TaggedLibraryPart and its index), with the product identifier of its tag.
struct TaggedItem {
    Int32 type = 0;
    Int32 index = 0;
    std::string uuid;
};
inline constexpr Int32 TaggedLibraryPart = 0;

// The tagged items in the order the host lists them: one per building material and non-empty
// "QV_UUID" value; one per composite with a non-empty identifier in its user data (each read
// writes the tag name and the identifier as debug lines, and "Type - <index>" for a listed one);
// one per library part and "Q7_QV_UUID" text parameter with a value.
std::vector<TaggedItem> FindTaggedMaterials();
std::vector<TaggedItem> FindTaggedComposites();
std::vector<TaggedItem> FindTaggedLibraryParts();

// Makes the scan measure the items' uses; before its first question.
void Track(UsageScan& scan, const std::vector<TaggedItem>& items);
// The items' records with their figures from the scan, in the items' order.
ProductUsageList UsageOf(UsageScan& scan, const std::vector<TaggedItem>& items);

// The tagged building materials with their usage, from one walk over the elements.
ProductUsageList ListTaggedMaterials();
// The number of records ListTaggedMaterials gives, without any usage scan.
Int32 CountTaggedMaterials();
// The tagged composite structures with their usage, from one walk over the elements.
ProductUsageList ListTaggedComposites();
// The tagged library parts with the number of objects the host says place each.
ProductUsageList ListTaggedLibraryParts();
