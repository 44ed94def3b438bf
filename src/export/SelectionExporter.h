#pragma once

#include "export/BaseExporter.h"
#include "gs/UniString.h"

#include <nlohmann/json.hpp>

// The texts of one selected element. One entry serves the whole walk over the selection: a
// look-up that fails leaves the value of the element before.
struct SelectionEntry {
    GS::UniString url = "#";
    GS::UniString full_title;
    GS::UniString title;
    GS::UniString thumbnail = "/images/icons/icon-family.svg";
    GS::UniString type;

    // The element's object; walls, slabs and roofs get their own thumbnail.
    nlohmann::json ToJson() const;
};

// The elements selected in the host, in the host's selection order.
class SelectionExporter : public BaseExporter {
public:
    nlohmann::json BuildSelection();
};

// The serialised selection array.
GS::UniString GetSelectionText();
