#include "gs/Resources.h"
#include "gs/MemoryManager.h"
#include "host/AddOnIdentity.h"

#include <gtest/gtest.h>

#include <vector>

extern const unsigned char QuorvelResourceImage[];
extern const std::size_t QuorvelResourceImageSize;

namespace {
struct Cache {
    GSResModule module;
    Cache(const void* image, UInt64 size) : module(RSInitModuleImageCache(image, size)) {}
    ~Cache() {
        if (module != -1)
            RSRemoveModuleImageCache(module);
    }
};
} // namespace

TEST(Resources, TheAddOnsStringListsAndIdentifierPair) {
    Cache cache(QuorvelResourceImage, QuorvelResourceImageSize);
    ASSERT_NE(cache.module, -1);
    const struct {
        GSResID list;
        Int32 index;
        const char* text;
    } strings[] = {{32000, 1, "Quorvel"},
                   {32000, 2, "Plugin"},
                   {32500, 1, "Quorvel"},
                   {32500, 2, "Plugin"},
                   {32500, 3, "Quorvel Palette^ES^EE^EI^ED^EW^E3^EL"}};
    for (const auto& s : strings) {
        GS::UniString text;
        ASSERT_TRUE(RSGetIndString(&text, s.list, s.index, cache.module));
        EXPECT_EQ(text.ToCStr(), s.text);
    }
    GS::UniString none;
    EXPECT_FALSE(RSGetIndString(&none, 32000, 0, cache.module));
    EXPECT_FALSE(RSGetIndString(&none, 32000, 3, cache.module));
    EXPECT_FALSE(RSGetIndString(&none, 31999, 1, cache.module));

    UInt32 first = 0, second = 0;
    ASSERT_TRUE(RSGetIdentifierPair(AddOnResourceId, cache.module, &first, &second));
    EXPECT_EQ(first, AddOnIdentifier.developerID);
    EXPECT_EQ(second, AddOnIdentifier.localID);

    // The string list's encoding: byte count, then NUL-terminated strings.
    GSHandle raw = RSLoadResource(RT_StringList, cache.module, 32000);
    ASSERT_NE(raw, nullptr);
    const std::string expected("\x0F\x00\x00\x00Quorvel\0Plugin\0", 19);
    EXPECT_EQ(std::string(*raw, size_t(BMGetHandleSize(raw))), expected);
    BMKillHandle(&raw);
}

TEST(Resources, MalformedImagesAreRefused) {
    std::vector<unsigned char> image(QuorvelResourceImage, QuorvelResourceImage + QuorvelResourceImageSize);
    EXPECT_EQ(RSInitModuleImageCache(image.data(), 4), -1);
    EXPECT_EQ(RSInitModuleImageCache(image.data(), image.size() - 1), -1) << "a truncated last resource";
    image[0] = 'X';
    EXPECT_EQ(RSInitModuleImageCache(image.data(), image.size()), -1);
    EXPECT_EQ(RSInitModuleImageCache(nullptr, 100), -1);
}
