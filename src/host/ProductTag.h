#pragma once

#include "gs/Types.h"

#include <optional>
#include <string>

// The user data that tags a composite with a product: the product identifier, then the tag name,
// written into the block as host strings are written into bytes (GS::AppendSerialized). The host
// keeps a block's bytes as they are, so the block holds texts, never pointers to them.
struct ProductTagTexts {
    std::string uuid; // 8-bit text, through a host string
    std::string name;
};

// The zero-filled block the add-on hands the host to read a tag into; the host makes it as large
// as the data it holds.
inline constexpr Int64 ProductTagBlockSize = 32;

// The bytes of the block that holds the two texts.
std::string ProductTagBytes(const std::string& uuid, const std::string& name);
// The texts of the block the host filled; nothing when the block holds no tag.
std::optional<ProductTagTexts> ReadProductTag(GSHandle block);
