#pragma once

#include "gs/UniString.h"
#include "import/BaseImporter.h"

#include <memory>
#include <stdexcept>

// The serialised result record of the last import that ran to its end; empty at load.
extern GS::UniString LastImportResultText;

// An importer's refusal, and the dispatcher's own answer when no importer takes the product:
// the import ends with the result {"Success":false}.
class ImportRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A product text nested deeper than MaxProductDepth arrays and objects: refused before it is
// parsed, because copying or writing out such a value recurses once per level and would end
// the host on a stack overflow. Real products nest a few levels.
class ProductTooDeep : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
constexpr size_t MaxProductDepth = 256;

// Which importer a product gets.
enum class ImporterKind { None, Material, Wall, Roof, Floor, Family, Generic };
ImporterKind ChooseImporter(nlohmann::json product);

// A new importer for the product's kind, or none.
std::unique_ptr<BaseImporter> MakeImporter(nlohmann::json product);

// Runs one import of the product JSON text and stores the result in LastImportResultText. JSON
// errors, ProductTooDeep and host-library errors leave it; LastImportResultText then keeps its
// contents.
void RunImport(const GS::UniString& text);
