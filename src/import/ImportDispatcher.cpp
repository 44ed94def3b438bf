#include "import/ImportDispatcher.h"

#include "import/AttributeImporter.h"
#include "import/ImportedProductsExporter.h"
#include "import/LibPartImporter.h"
#include "import/MaterialImporter.h"

#include <string_view>

using nlohmann::json;

GS::UniString LastImportResultText;

ImporterKind ChooseImporter(json product) {
    if (product.is_null())
        return ImporterKind::None;
    const std::string kind = TextOrNull(product, "importType");
    if (kind == "MATERIAL_IMPORT")
        return ImporterKind::Material;
    if (kind == "TYPE_IMPORT") {
        const std::string construction = TextOrNull(product, "constructionType");
        if (construction == "WALL" || construction == "wall" || construction == "Wall")
            return ImporterKind::Wall;
        if (construction == "ROOF" || construction == "roof" || construction == "Roof")
            return ImporterKind::Roof;
        // Ceilings are built as floors.
        if (construction == "FLOOR" || construction == "floor" || construction == "Floor" ||
            construction == "CEILING" || construction == "ceiling" || construction == "Ceiling")
            return ImporterKind::Floor;
        return ImporterKind::None;
    }
    if (kind == "FAMILY_IMPORT")
        return ImporterKind::Family;
    if (kind == "GENERIC_GEOMETRY_IMPORT")
        return ImporterKind::Generic;
    return ImporterKind::None;
}

std::unique_ptr<BaseImporter> MakeImporter(json product) {
    switch (ChooseImporter(std::move(product))) {
    case ImporterKind::Material:
        return std::make_unique<MaterialImporter>();
    case ImporterKind::Family:
        return std::make_unique<FamilyImporter>();
    case ImporterKind::Generic:
        return std::make_unique<GenericImporter>();
    case ImporterKind::Wall:
        return std::make_unique<WallImporter>();
    case ImporterKind::Roof:
        return std::make_unique<RoofImporter>();
    case ImporterKind::Floor:
        return std::make_unique<FloorImporter>();
    case ImporterKind::None:
        return nullptr;
    }
    return nullptr;
}

namespace {

// Counts the nesting of arrays and objects outside strings; the text need not be valid JSON.
void CheckNestingDepth(std::string_view text) {
    size_t depth = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MaxProductDepth)
                throw ProductTooDeep("The product is nested more than " + std::to_string(MaxProductDepth) +
                                     " levels deep.");
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
}

// Present and not null, the member must be text. Inserting access on the caller's own document.
void CheckTextMember(json& product, const char* key) {
    const json& value = product[key];
    if (!value.is_null())
        (void)value.get<std::string>(); // throws the type error the page is answered
}

} // namespace

void RunImport(const GS::UniString& text) {
    const std::string bytes = text.ToCStr(CC_UTF8);
    CheckNestingDepth(bytes);
    // Parsed once; each step takes a copy of its own rather than sharing the document: the
    // importers take their product by value and move out of it, so no step sees what another left
    // of it. (A copy costs a fraction of a parse.)
    json document = json::parse(bytes);
    ImportedProductsExporter record(document);
    std::unique_ptr<BaseImporter> importer = MakeImporter(document);
    json result;
    try {
        if (importer == nullptr)
            throw ImportRefused("no importer takes this product");
        importer->Import(document);
        record.ToJson(result);
        result["Success"] = true;
        CheckTextMember(document, "name");
        CheckTextMember(document, "Name");
    } catch (const ImportRefused&) {
        result = json::object();
        result["Success"] = false;
    }
    LastImportResultText = GS::UniString(result.dump(-1, ' ', false, json::error_handler_t::strict), CC_UTF8);
}
