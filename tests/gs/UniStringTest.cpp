#include "gs/UniString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

TEST(UniString, ConvertsBetweenUtf8AndUtf16) {
    struct Case {
        std::string utf8;
        std::u16string units;
    } cases[] = {
        {"", u""},
        {"Quorvel", u"Quorvel"},
        {"W\xC3\xA4rme", u"W\u00E4rme"},                      // two-byte sequence
        {"\xE2\x82\xAC", u"\u20AC"},                          // three bytes
        {"\xF0\x9F\x98\x80", std::u16string{0xD83D, 0xDE00}}, // a surrogate pair
    };
    for (const auto& c : cases) {
        GS::UniString s(c.utf8, CC_UTF8);
        EXPECT_EQ(std::u16string(s.View()), c.units) << c.utf8;
        EXPECT_EQ(s.ToCStr(CC_UTF8), c.utf8);
    }
}

TEST(UniString, ReplacesInvalidInputWithReplacementCharacter) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"},                     // truncated sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // an encoded surrogate
    };
    for (const auto& [bytes, units] : cases)
        EXPECT_EQ(std::u16string(GS::UniString(bytes, CC_UTF8).View()), units);
    // An unpaired surrogate cannot become UTF-8.
    EXPECT_EQ(GS::UniString(std::u16string{u'x', char16_t(0xD800)}).ToCStr(CC_UTF8), "x\xEF\xBF\xBD");
}

TEST(UniString, ZeroFilledMemoryIsAnEmptyString) {
    alignas(GS::UniString) unsigned char block[sizeof(GS::UniString)];
    std::memset(block, 0, sizeof block);
    auto* s = std::launder(reinterpret_cast<GS::UniString*>(block));
    EXPECT_TRUE(s->IsEmpty());
    EXPECT_EQ(s->ToCStr(), "");
    *s = GS::UniString("filled");
    EXPECT_EQ(s->ToCStr(), "filled");
    s->~UniString();
}

TEST(UniString, CopiesAndAppendsIndependently) {
    GS::UniString a("autotext-");
    GS::UniString b = a;
    b += GS::UniString("X");
    EXPECT_EQ(a.ToCStr(), "autotext-");
    EXPECT_EQ(b.ToCStr(), "autotext-X");
    GS::UniString moved = std::move(b);
    EXPECT_EQ(moved.ToCStr(), "autotext-X");
    EXPECT_TRUE(a == GS::UniString("autotext-"));
    EXPECT_FALSE(a == moved);
}

TEST(UniString, IsWrittenIntoBytesAndReadBackOnlyWhenTheBytesHoldOne) {
    std::string bytes;
    GS::AppendSerialized(bytes, GS::UniString(u"Ab"));
    EXPECT_EQ(bytes, std::string("\x02\x00\x00\x00"
                                 "A\x00"
                                 "b\x00",
                                 8));
    for (const std::u16string& units :
         {std::u16string(), std::u16string(u"a\0b", 3), std::u16string{0xD83D, 0xDE00}})
        GS::AppendSerialized(bytes, GS::UniString(std::u16string_view(units)));
    size_t at = 0;
    GS::UniString text;
    std::vector<std::u16string> read;
    while (GS::ReadSerialized(bytes, at, text))
        read.emplace_back(text.View());
    EXPECT_EQ(read, (std::vector<std::u16string>{u"Ab", u"", std::u16string(u"a\0b", 3), {0xD83D, 0xDE00}}));
    EXPECT_EQ(at, bytes.size());

    const struct {
        std::string bytes;
        size_t at;
    } refused[] = {
        {std::string("\x01\x00\x00", 3), 0}, // no whole count
        {std::string("\x02\x00\x00\x00"
                     "A\x00",
                     6),
         0},                                     // fewer units than counted
        {std::string("\xFF\xFF\xFF\xFF", 4), 0}, // a count beyond any block
        {std::string("\x00\x00\x00\x00", 4), 5}, // a place beyond the bytes
    };
    for (const auto& r : refused) {
        size_t place = r.at;
        GS::UniString kept("kept");
        EXPECT_FALSE(GS::ReadSerialized(r.bytes, place, kept));
        EXPECT_EQ(place, r.at);
        EXPECT_EQ(kept.ToCStr(), "kept");
    }
}
