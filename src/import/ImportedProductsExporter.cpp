#include "import/ImportedProductsExporter.h"

#include "export/ProjectIdentity.h"

#include <cmath>

using nlohmann::json;

Int32 SystemIdOf(const json& uuid) {
    if (!uuid.is_number_float())
        return uuid.get<Int32>(); // integers wrap to their low 32 bits; the library raises for others
    // A plain cast of a real outside the 32-bit range is undefined; take the low 32 bits of the
    // truncated value as for integers.
    const double truncated = std::trunc(uuid.get<double>());
    if (!std::isfinite(truncated))
        return 0;
    double low = std::fmod(truncated, 4294967296.0);
    if (low < 0)
        low += 4294967296.0;
    return Int32(UInt32(low));
}

ImportedProductsExporter::ImportedProductsExporter(json productJson) : product(std::move(productJson)) {
    const json& kind = product["importType"];
    if (!kind.is_null()) {
        // A kind outside the table has no number: it reads as none.
        auto row = kinds.find(kind.get<std::string>());
        ImportTypeId = row != kinds.end() ? row->second : 0;
    }
    if (ImportTypeId == int(ImportType::Type))
        ImportedSystemId = SystemIdOf(product["uuid"]);
    else
        ImportedProductUuid = product["uuid"].get<std::string>();
}

json& ImportedProductsExporter::ToJson(json& out) const {
    // An object from the start: the library's conversion of null into an object cannot be undone
    // when memory runs out halfway.
    out = json::object();
    out["ProjectId"] = GetProjectGuid();
    out["ImportTypeId"] = ImportTypeId;
    out["ImportedSystemId"] = ImportedSystemId;
    out["CadElementId"] = CadElementId;
    out["ImportedProductUuid"] = ImportedProductUuid;
    out["Action"] = Action;
    out["Success"] = Success;
    return out;
}
