#include "import/ImportDispatcher.h"
#include "import/ImportedProductsExporter.h"
#include "import/MaterialImporter.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

// The unity build compiles this file with others of its folder; its helpers keep their own names.
namespace import_result_test {

using nlohmann::json;
using namespace nlohmann::literals;
using testing_support::InProcessHost;

namespace {
std::string ProjectId(const simhost::Host& host) {
    for (const auto& a : host.project.autotexts)
        if (a.name == "QV_GUID")
            return a.value;
    return "<none>";
}

std::string RecordText(const json& product) {
    json out = 42;
    ImportedProductsExporter(product).ToJson(out);
    return out.dump(-1, ' ', false, json::error_handler_t::strict);
}

std::string Import(const std::string& productText) {
    RunImport(GS::UniString(productText));
    return LastImportResultText.ToCStr();
}
} // namespace

TEST(ImportResult, RecordsAreWrittenByteForByte) {
    InProcessHost h;
    const std::string id =
        (RecordText(R"({"importType":"MATERIAL_IMPORT","uuid":"x"})"_json), ProjectId(h.host));
    const auto expect = [&](Int32 kind, const std::string& uuid, Int32 system) {
        return R"({"Action":"import","CadElementId":"2044","ImportTypeId":)" + std::to_string(kind) +
               R"(,"ImportedProductUuid":")" + uuid + R"(","ImportedSystemId":)" + std::to_string(system) +
               R"(,"ProjectId":")" + id + R"(","Success":false})";
    };
    const struct {
        const char* product;
        std::string expected;
    } cases[] = {
        {R"({"importType":"MATERIAL_IMPORT","uuid":"abc"})", expect(1, "abc", 0)},
        {R"({"importType":"TYPE_IMPORT","uuid":17})", expect(2, "", 17)},
        {R"({"importType":"TYPE_IMPORT","uuid":17.9})", expect(2, "", 17)},
        {R"({"importType":"TYPE_IMPORT","uuid":-3.5})", expect(2, "", -3)},
        {R"({"importType":"TYPE_IMPORT","uuid":true})", expect(2, "", 1)},
        {R"({"importType":"TYPE_IMPORT","uuid":false})", expect(2, "", 0)},
        {R"({"importType":"TYPE_IMPORT","uuid":4294967297})", expect(2, "", 1)},
        {R"({"importType":"TYPE_IMPORT","uuid":-4294967297})", expect(2, "", -1)},
        {R"({"importType":"TYPE_IMPORT","uuid":4294967295})", expect(2, "", -1)},
        {R"({"importType":"TYPE_IMPORT","uuid":4294967297.5})", expect(2, "", 1)},
        {R"({"importType":"TYPE_IMPORT","uuid":1e300})", expect(2, "", 0)},
        {R"({"importType":"FAMILY_IMPORT","uuid":"f"})", expect(3, "f", 0)},
        {R"({"importType":"GENERIC_GEOMETRY_IMPORT","uuid":"g"})", expect(4, "g", 0)},
        {R"({"uuid":"none"})", expect(0, "none", 0)},
        {R"({"importType":null,"uuid":"n"})", expect(0, "n", 0)},
        {R"({"importType":"type_import","uuid":"u"})", expect(0, "u", 0)},
        {R"({"importType":"BRICK","uuid":"u"})", expect(0, "u", 0)},
        {R"({"importType":"MATERIAL_IMPORT","uuid":"Wärme–ø"})", expect(1, "Wärme–ø", 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordText(json::parse(c.product)), c.expected) << c.product;
}

TEST(ImportResult, TypeErrorsOfTheRecordLeaveWithTheLibrarysMessages) {
    InProcessHost h;
    const std::pair<const char*, std::string> cases[] = {
        {R"({"importType":"TYPE_IMPORT","uuid":"17"})", "type must be number, but is string"},
        {R"({"importType":"TYPE_IMPORT"})", "type must be number, but is null"},
        {R"({"importType":"FAMILY_IMPORT","uuid":17})", "type must be string, but is number"},
        {R"({"importType":"MATERIAL_IMPORT"})", "type must be string, but is null"},
        {R"({"uuid":5})", "type must be string, but is number"},
        {R"({"importType":3,"uuid":"u"})", "type must be string, but is number"},
        {R"(["MATERIAL_IMPORT"])", "cannot use operator[] with a string argument with array"},
    };
    for (const auto& [product, message] : cases) {
        try {
            ImportedProductsExporter record(json::parse(product));
            ADD_FAILURE() << "no error for " << product;
        } catch (const json::type_error& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

TEST(ImportDispatch, EveryListedSpellingReachesItsImporterAndEveryNearMissNone) {
    const auto type = [](const char* construction) {
        return json{{"importType", "TYPE_IMPORT"}, {"constructionType", construction}};
    };
    const struct {
        json product;
        ImporterKind expected;
    } cases[] = {
        {type("WALL"), ImporterKind::Wall},
        {type("wall"), ImporterKind::Wall},
        {type("Wall"), ImporterKind::Wall},
        {type("ROOF"), ImporterKind::Roof},
        {type("roof"), ImporterKind::Roof},
        {type("Roof"), ImporterKind::Roof},
        {type("FLOOR"), ImporterKind::Floor},
        {type("floor"), ImporterKind::Floor},
        {type("Floor"), ImporterKind::Floor},
        {type("CEILING"), ImporterKind::Floor},
        {type("ceiling"), ImporterKind::Floor},
        {type("Ceiling"), ImporterKind::Floor},
        {type("Ceiling "), ImporterKind::None},
        {type(" Wall"), ImporterKind::None},
        {type("wALL"), ImporterKind::None},
        {type("WAll"), ImporterKind::None},
        {type("rOOF"), ImporterKind::None},
        {type("CEILINg"), ImporterKind::None},
        {type("Floors"), ImporterKind::None},
        {type(""), ImporterKind::None},
        {type("null"), ImporterKind::None},
        {{{"importType", "TYPE_IMPORT"}}, ImporterKind::None},
        {{{"importType", "MATERIAL_IMPORT"}}, ImporterKind::Material},
        {{{"importType", "FAMILY_IMPORT"}}, ImporterKind::Family},
        {{{"importType", "FAMILY_IMPORT"}, {"constructionType", "WALL"}}, ImporterKind::Family},
        {{{"importType", "FAMILY_IMPORT"}, {"constructionType", 5}}, ImporterKind::Family},
        {{{"importType", "GENERIC_GEOMETRY_IMPORT"}}, ImporterKind::Generic},
        {{{"importType", "MATERIAL_IMPORT "}}, ImporterKind::None},
        {{{"importType", "material_import"}}, ImporterKind::None},
        {{{"importType", "null"}}, ImporterKind::None},
        {{{"importType", nullptr}}, ImporterKind::None},
        {json::object(), ImporterKind::None},
        {json(), ImporterKind::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseImporter(c.product), c.expected) << c.product.dump();
    EXPECT_NE(dynamic_cast<MaterialImporter*>(MakeImporter({{"importType", "MATERIAL_IMPORT"}}).get()),
              nullptr);
    EXPECT_EQ(MakeImporter(json()), nullptr);
    EXPECT_THROW(ChooseImporter({{"importType", "TYPE_IMPORT"}, {"constructionType", 1}}), json::type_error)
        << "constructionType is read for TYPE_IMPORT";
}

TEST(ImportDispatch, AMaterialImportAnswersOneLineWithSuccessAndNonAsciiAsIs) {
    InProcessHost h;
    std::string text =
        Import(R"({"importType":"MATERIAL_IMPORT","uuid":"ü-1","name":"Dämmung","supplier":{"name":"S"}})");
    std::string expected =
        R"({"Action":"import","CadElementId":"2044","ImportTypeId":1,"ImportedProductUuid":"ü-1",)"
        R"("ImportedSystemId":0,"ProjectId":")" +
        ProjectId(h.host) + R"(","Success":true})";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(h.host.project.attributes.buildingMaterials.size(), 1u);

    text =
        Import(R"({"importType":"MATERIAL_IMPORT","uuid":"second","name":"Putz","supplier":{"name":"S"}})");
    EXPECT_EQ(text.find("ü-1"), std::string::npos) << "only the second result";
    EXPECT_NE(text.find(R"("ImportedProductUuid":"second")"), std::string::npos);
}

TEST(ImportDispatch, NoImporterAnswersFailureThroughTheFailureChannel) {
    InProcessHost h;
    const char* products[] = {
        R"({"uuid":"u","name":"n"})",
        R"({"importType":null,"uuid":"u"})",
        R"({"importType":"null","uuid":"u"})",
        R"({"importType":"BRICK","uuid":"u"})",
        R"({"importType":"TYPE_IMPORT","uuid":1,"constructionType":"Ceiling "})",
        R"({"importType":"TYPE_IMPORT","uuid":1})",
    };
    for (const char* product : products) {
        LastImportResultText = GS::UniString("earlier");
        EXPECT_EQ(Import(product), R"({"Success":false})") << product;
    }
    EXPECT_TRUE(h.host.project.attributes.buildingMaterials.empty());
}

TEST(ImportDispatch, ErrorsLeaveAndKeepTheEarlierResult) {
    InProcessHost h;
    const std::pair<const char*, std::string> cases[] = {
        {R"({"importType":"MATERIAL_IMPORT",)", "parse_error"},
        {R"("text")", "cannot use operator[] with a string argument with string"},
        {R"({"importType":"MATERIAL_IMPORT","uuid":"u","name":5})", "type must be string, but is number"},
        {R"({"importType":"MATERIAL_IMPORT","uuid":"u","name":"A","supplier":{"name":"S"},"Name":5})",
         "type must be string, but is number"},
    };
    for (const auto& [product, message] : cases) {
        LastImportResultText = GS::UniString("earlier");
        try {
            RunImport(GS::UniString(product));
            ADD_FAILURE() << "no error for " << product;
        } catch (const json::exception& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
        EXPECT_EQ(LastImportResultText.ToCStr(), "earlier") << product;
    }
    // The "Name" check comes after the importer's work, which stays.
    ASSERT_EQ(h.host.project.attributes.buildingMaterials.size(), 1u);
    EXPECT_EQ(h.host.project.attributes.buildingMaterials[0].name, "A");
}

// A deep value would overflow the stack where the importers copy the product; the nesting is
// bounded before anything is parsed, counting only brackets outside strings.
TEST(ImportDispatch, ProductsNestedTooDeepAreRefusedBeforeAnythingIsMade) {
    InProcessHost h;
    const auto product = [](const std::string& name, const std::string& extra) {
        return R"({"importType":"MATERIAL_IMPORT","uuid":"u","supplier":{"name":"S"},"name":)" + name +
               R"(,"extra":)" + extra + "}";
    };
    const auto nested = [](size_t levels) { return std::string(levels, '[') + std::string(levels, ']'); };
    const std::string tooDeep = "The product is nested more than 256 levels deep.";
    const std::string imported = "imported", notJson = "parse_error";
    const struct {
        std::string text;
        const std::string& outcome;
    } cases[] = {
        {product(R"("At the limit")", nested(MaxProductDepth - 1)), imported},
        {product(R"("One past")", nested(MaxProductDepth)), tooDeep},
        {product(R"("[[[ \"{{{ \\)" + std::string(300, '[') + R"(")", "1"), imported},
        // Stray closers do not buy depth back: the parser, not the bound, refuses this one.
        {"]]]]" + product(R"("Closed early")", nested(MaxProductDepth - 1)), notJson},
        {std::string(10000, '['), tooDeep},
        {std::string(10000, '{'), tooDeep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 80));
        const size_t before = h.host.project.attributes.buildingMaterials.size();
        LastImportResultText = GS::UniString("earlier");
        std::string outcome = imported;
        try {
            RunImport(GS::UniString(c.text));
        } catch (const json::parse_error&) {
            outcome = notJson;
        } catch (const ProductTooDeep& e) {
            outcome = e.what();
        }
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(h.host.project.attributes.buildingMaterials.size(), before + (outcome == imported));
        if (outcome != imported) {
            EXPECT_EQ(LastImportResultText.ToCStr(), "earlier");
        }
    }
}

} // namespace import_result_test
