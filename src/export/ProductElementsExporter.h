#pragma once

#include "export/BaseExporter.h"
#include "gs/UniString.h"

#include <nlohmann/json.hpp>

#include <string>

// The elements that use an imported product, as the usage lists count them: walls, slabs and
// roofs that use a building material or composite tagged with the product's identifier (in the
// order of the usage walk), then the objects that place a library part tagged with it.
class ProductElementsExporter : public BaseExporter {
public:
    // Each element as the selection export describes it, with its GUID text under "guid"; an
    // empty array for an identifier no product has.
    nlohmann::json BuildElements(const std::string& uuid);
};

// The serialised array for the product's identifier text.
GS::UniString GetElementsUsingProductText(const GS::UniString& uuid);
