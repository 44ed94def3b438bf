#include "host/ProductTag.h"

#include "gs/MemoryManager.h"
#include "gs/UniString.h"

std::string ProductTagBytes(const std::string& uuid, const std::string& name) {
    std::string bytes;
    GS::AppendSerialized(bytes, GS::UniString(uuid, CC_UTF8));
    GS::AppendSerialized(bytes, GS::UniString(name, CC_UTF8));
    return bytes;
}

std::optional<ProductTagTexts> ReadProductTag(GSHandle block) {
    if (block == nullptr)
        return std::nullopt;
    const std::string_view bytes(*block, size_t(BMGetHandleSize(block)));
    size_t at = 0;
    GS::UniString uuid, name;
    if (!GS::ReadSerialized(bytes, at, uuid) || !GS::ReadSerialized(bytes, at, name))
        return std::nullopt;
    return ProductTagTexts{uuid.ToCStr(CC_UTF8), name.ToCStr(CC_UTF8)};
}
