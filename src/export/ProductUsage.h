#pragma once

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

ProductUsageList ListTaggedMaterials();
Int32 CountTaggedMaterials();
ProductUsageList ListTaggedComposites();
ProductUsageList ListTaggedLibraryParts();
