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

// The tagged building materials with their usage, from one walk over the elements. The overload
// taking a scan shares it with the other lists of the same call.
ProductUsageList ListTaggedMaterials();
ProductUsageList ListTaggedMaterials(UsageScan& scan);
// The number of records ListTaggedMaterials gives, without any usage scan.
Int32 CountTaggedMaterials();
// The tagged composite structures with their usage; the overload taking a scan shares it.
ProductUsageList ListTaggedComposites();
ProductUsageList ListTaggedComposites(UsageScan& scan);
ProductUsageList ListTaggedLibraryParts();
