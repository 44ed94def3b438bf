#pragma once

#include "export/BaseExporter.h"
#include "gs/Types.h"
#include "import/BaseImporter.h"

#include <string>

// The result record of one import: which project received which product of which kind.
class ImportedProductsExporter : public BaseExporter {
public:
    // Reads `importType` and `uuid`; their type errors leave as the JSON library's exceptions.
    explicit ImportedProductsExporter(nlohmann::json product);

    // Fills `out` (made null first) with the record, "Success" false, and returns it.
    nlohmann::json& ToJson(nlohmann::json& out) const;

private:
    nlohmann::json product;
    Int32 ImportTypeId = 0;
    Int32 ImportedSystemId = 0;
    std::string CadElementId = "2044";
    std::string ImportedProductUuid;
    std::string Action = "import";
    bool Success = false;
    ImportTypeTable kinds = MakeImportTypeTable();
};

// A numeric uuid as the 32-bit system id: integers keep their low 32 bits, reals are truncated
// toward zero first, booleans give 0 or 1; other types raise "type must be number, but is ...".
Int32 SystemIdOf(const nlohmann::json& uuid);
