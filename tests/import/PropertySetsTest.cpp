#include "import/PropertySets.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using nlohmann::json;
using namespace nlohmann::literals;
using testing_support::InProcessHost;

namespace {
// One set "S" holding one property built from `property`.
std::string ValueOf(const json& property) {
    json p = property;
    p["name"] = "P";
    json sets = json::array({{{"name", "S"}, {"properties", json::array({p})}}});
    return ReadPropertySets(sets).at("S").at("P");
}
} // namespace

TEST(PropertySets, ValueTextsMatchTheWorkedValuesToTheByte) {
    const struct {
        const char* what;
        json property;
        std::string expected;
    } cases[] = {
        {"range with unit", R"({"type":"Range","unit":"mm","ranges":[[{"value":10},{"value":20}]]})"_json,
         "10/20 mm"},
        {"range without unit", R"({"type":"Range","ranges":[[{"value":10},{"value":20}]]})"_json, "10/20 "},
        {"range, null unit", R"({"type":"Range","unit":null,"ranges":[[{"value":10},{"value":20}]]})"_json,
         "10/20 "},
        {"range as object, key order",
         R"({"type":"Range","unit":"mm","ranges":[{"min":{"value":10},"max":{"value":20}}]})"_json,
         "20/10 mm"},
        {"only the first range counts", R"({"type":"Range","ranges":[[{"value":1}],[{"value":2}]]})"_json,
         "1 "},
        {"empty ranges", R"({"type":"Range","unit":"m","ranges":[]})"_json, "m"},
        {"missing ranges", R"({"type":"Range","unit":"m"})"_json, "m"},
        {"null ranges", R"({"type":"Range","unit":"m","ranges":null})"_json, "m"},
        {"range end without value", R"({"type":"Range","unit":"m","ranges":[[{"v":1},null]]})"_json,
         "null/null m"},
        {"range of texts", R"({"type":"Range","unit":"m","ranges":[[{"value":"a"},{"value":"b"}]]})"_json,
         "a / b  m"},
        {"value list with unit",
         R"({"type":"ValueList","unit":"mm","values":[{"value":1},{"value":2}]})"_json, "1 mm,2 mm"},
        {"value list of texts", R"({"type":"ValueList","values":[{"value":"A"},{"value":"B"}]})"_json,
         "A, B  "},
        {"value list as object", R"({"type":"ValueList","values":{"z":{"value":1},"a":{"value":2}}})"_json,
         "2,1 "},
        {"real values", R"({"type":"ValueList","unit":"W","values":[{"value":0.035},{"value":-1.5e3}]})"_json,
         "0.035 W,-1500.0 W"},
        {"empty value list", R"({"type":"ValueList","unit":"mm","values":[]})"_json, ""},
        {"missing value list", R"({"type":"ValueList","unit":"mm"})"_json, ""},
        {"list entry without value", R"({"type":"ValueList","values":[null]})"_json, "null "},
        {"non-ASCII kept", R"({"type":"ValueList","unit":"m²","values":[{"value":"Ö"}]})"_json, "Ö  m²"},
        {"other type with a value", R"({"type":"Single","unit":"mm","value":5})"_json, ""},
        {"type in other case", R"({"type":"range","ranges":[[{"value":1}]]})"_json, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValueOf(c.property), c.expected) << c.what;
}

TEST(PropertySets, FirstSetAndFirstPropertyOfANameSurvive) {
    json sets = R"([{"name":"B","properties":[{"name":"x","type":"ValueList","values":[{"value":1}]},
                                             {"name":"x","type":"ValueList","values":[{"value":2}]}]},
                    {"name":"A","properties":null},
                    {"name":"B","properties":[{"name":"y","type":"T"}]}])"_json;
    const PropertySetMap expected = {{"A", {}}, {"B", {{"x", "1 "}}}};
    EXPECT_EQ(ReadPropertySets(sets), expected);
}

TEST(PropertySets, ObjectsAreTakenMemberByMemberAndNullMeansNone) {
    EXPECT_TRUE(ReadPropertySets(json()).empty());
    json sets =
        R"({"second":{"name":"Two"},"first":{"name":"One","properties":{"p":{"name":"q","type":"X"}}}})"_json;
    const PropertySetMap expected = {{"One", {{"q", ""}}}, {"Two", {}}};
    EXPECT_EQ(ReadPropertySets(sets), expected);
}

TEST(PropertySets, PrintsOneLinePerPropertyAndOnePerSet) {
    InProcessHost h;
    h.TakeDebugLines();
    json sets =
        R"([{"name":"Thermal","properties":[{"name":"lambda","type":"ValueList","values":[{"value":1}]}]},
                    {"name":"Empty"}])"_json;
    ReadPropertySets(sets);
    const std::vector<std::string> expected = {"-  lambda : 1  ",
                                               "Thermal : lambda :  ", "Empty : lambda :  "};
    EXPECT_EQ(h.TakeDebugLines(), expected);
}

TEST(PropertySets, ShapeErrorsLeaveAsTheJsonLibrarysTypeErrors) {
    const struct {
        json sets;
        std::string message;
    } cases[] = {
        {R"([5])"_json,
         "[json.exception.type_error.305] cannot use operator[] with a string argument with number"},
        {R"([null])"_json, "[json.exception.type_error.302] type must be string, but is null"},
        {R"([{"name":1}])"_json, "[json.exception.type_error.302] type must be string, but is number"},
        {R"([{"name":"S","properties":["p"]}])"_json,
         "[json.exception.type_error.305] cannot use operator[] with a string argument with string"},
        {R"([{"name":"S","properties":[{"type":"X"}]}])"_json,
         "[json.exception.type_error.302] type must be string, but is null"},
        {R"([{"name":"S","properties":[{"name":"p","type":"X","unit":3}]}])"_json,
         "[json.exception.type_error.302] type must be string, but is number"},
        {R"([{"name":"S","properties":[{"name":"p"}]}])"_json,
         "[json.exception.type_error.302] type must be string, but is null"},
        {R"([{"name":"S","properties":[{"name":"p","type":"Range","ranges":"r"}]}])"_json,
         "[json.exception.type_error.305] cannot use operator[] with a numeric argument with string"},
        {R"([{"name":"S","properties":[{"name":"p","type":"Range","ranges":{"a":1}}]}])"_json,
         "[json.exception.type_error.305] cannot use operator[] with a numeric argument with object"},
        {R"([{"name":"S","properties":[{"name":"p","type":"Range","ranges":{}}]}])"_json,
         "[json.exception.type_error.305] cannot use operator[] with a numeric argument with object"},
        {R"([{"name":"S","properties":[{"name":"p","type":"Range","ranges":[{"a":1}]}]}])"_json,
         "[json.exception.type_error.305] cannot use operator[] with a string argument with number"},
        {R"([{"name":"S","properties":[{"name":"p","type":"ValueList","values":[true]}]}])"_json,
         "[json.exception.type_error.305] cannot use operator[] with a string argument with boolean"},
    };
    for (const auto& c : cases) {
        try {
            ReadPropertySets(c.sets);
            ADD_FAILURE() << "no error for " << c.sets.dump();
        } catch (const json::type_error& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.sets.dump();
        }
    }
}

TEST(PropertySets, ProductTagIsAddedOrReplaced) {
    PropertySetMap sets;
    AddProductTag(sets, "u1");
    EXPECT_EQ(sets, (PropertySetMap{{"QV_UUID", {{"QV_UUID", "u1"}}}}));
    sets["QV_UUID"]["other"] = "o";
    AddProductTag(sets, "u2");
    EXPECT_EQ(sets, (PropertySetMap{{"QV_UUID", {{"QV_UUID", "u2"}, {"other", "o"}}}}));
}
