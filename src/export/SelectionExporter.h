#pragma once

#include "api/HostApiRecords.h"
#include "export/BaseExporter.h"
#include "gs/UniString.h"

#include <nlohmann/json.hpp>

// The texts of one element, each starting from its initial value.
struct SelectionEntry {
    GS::UniString url = "#";
    GS::UniString full_title;
    GS::UniString title;
    GS::UniString thumbnail = "/images/icons/icon-family.svg";
    GS::UniString type;

    // The element's object; walls, slabs and roofs get their own thumbnail.
    nlohmann::json ToJson() const;
};

// The element's entry with its texts from the host: its type's name and its identifying text,
// twice. A look-up that fails leaves its text as it began.
SelectionEntry DescribeElement(const API_Guid& guid);

// The elements selected in the host, in the host's selection order.
class SelectionExporter : public BaseExporter {
public:
    nlohmann::json BuildSelection();
};

// The serialised selection array.
GS::UniString GetSelectionText();
