#include "export/JsonText.h"

#include <gtest/gtest.h>

using nlohmann::json;

TEST(JsonText, OneLineNoBlanksTextAsItIsInvalidBytesReplaced) {
    const struct {
        json value;
        std::string expected;
    } cases[] = {
        {json{{"b", 1}, {"a", json::array({true, nullptr})}}, R"({"a":[true,null],"b":1})"},
        {json("Stra\xC3\x9F"
              "e \xE2\x82\xAC"),
         "\"Stra\xC3\x9F"
         "e \xE2\x82\xAC\""}, // not escaped
        {json("n\\a"), R"("n\\a")"},
        {json("\"quoted\"\n"), R"("\"quoted\"\n")"},
        {json("a\xFF"
              "b"),
         "\"a\xEF\xBF\xBD"
         "b\""},                                                            // a stray byte
        {json("\xC3"), "\"\xEF\xBF\xBD\""},                                 // a sequence cut short
        {json("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}, // an encoded surrogate
        {json{{"k", "\x80"}}, "{\"k\":\"\xEF\xBF\xBD\"}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SerializeCompact(c.value), c.expected) << c.expected;
}
