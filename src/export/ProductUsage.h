#pragma once

#include "api/HostApiRecords.h"
#include "export/UsageScan.h"
#include "gs/Types.h"
#include "host/ProductTag.h"

#include <optional>
#include <string>
#include <unordered_map>
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
// The number of tagged building-material records, counted once, and kept as an import creates
// or changes materials one by one: a material it touched is counted anew when the number is next
// asked for, so that an import of n materials reads n materials more, not n times the project.
// It equals what CountTaggedMaterials would answer at that moment.
class TaggedMaterialCount {
public:
    TaggedMaterialCount();
    Int32 Get();
    // The building material the header names (by its index, or by its name when the index is 0)
    // may have gained or lost tags.
    void Touched(const API_AttributeHeader& header);

private:
    std::unordered_map<Int32, Int32> recordsOf; // material index → its tagged records
    Int32 total = 0;
    std::vector<API_AttributeHeader> touched;
};

// The two texts of an attribute's product-tag user data: the product identifier and the tag
// name. Nothing when the host has no user data for it, when it holds no tag, or when no block
// could be had to read it.
std::optional<ProductTagTexts> ReadProductTag(const API_AttributeHeader& header);

// The tagged composite structures with their usage, from one walk over the elements.
ProductUsageList ListTaggedComposites();
// The tagged library parts with the number of objects the host says place each.
ProductUsageList ListTaggedLibraryParts();
