#include "import/BaseImporter.h"

#include <gtest/gtest.h>

using nlohmann::json;

TEST(ImportTypeTable, HoldsExactlyTheFourKindsWithTheirNumbers) {
    const ImportTypeTable expected = {
        {"FAMILY_IMPORT", 3}, {"GENERIC_GEOMETRY_IMPORT", 4}, {"MATERIAL_IMPORT", 1}, {"TYPE_IMPORT", 2}};
    EXPECT_EQ(MakeImportTypeTable(), expected);
    const ImportTypeTable table = MakeImportTypeTable();
    for (const char* miss : {"type_import", "Type_Import", "TYPE_IMPORT ", "MATERIAL", "", "null"})
        EXPECT_EQ(table.count(miss), 0u) << miss;
}

TEST(TextOrNull, ReadsTextAndTreatsMissingAndNullAlike) {
    const struct {
        json product;
        std::string expected;
    } cases[] = {
        {json::object(), "null"},
        {{{"importType", nullptr}}, "null"},
        {{{"importType", "null"}}, "null"},
        {{{"importType", "TYPE_IMPORT"}}, "TYPE_IMPORT"},
        {{{"importType", ""}}, ""},
        {{{"importType", "Überführung"}}, "Überführung"},
        {json(nullptr), "null"}, // a null product reads as an empty object
    };
    for (const auto& c : cases) {
        json product = c.product;
        EXPECT_EQ(TextOrNull(product, "importType"), c.expected) << c.product.dump();
    }
}

TEST(TextOrNull, RaisesTheTypeErrorForNonText) {
    const struct {
        json product;
        std::string message;
    } cases[] = {
        {{{"k", 5}}, "[json.exception.type_error.302] type must be string, but is number"},
        {{{"k", true}}, "[json.exception.type_error.302] type must be string, but is boolean"},
        {{{"k", json::array()}}, "[json.exception.type_error.302] type must be string, but is array"},
        {{{"k", json::object()}}, "[json.exception.type_error.302] type must be string, but is object"},
        {json("text"),
         "[json.exception.type_error.305] cannot use operator[] with a string argument with string"},
    };
    for (const auto& c : cases) {
        try {
            json product = c.product;
            TextOrNull(product, "k");
            ADD_FAILURE() << "no error for " << c.product.dump();
        } catch (const json::type_error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}
