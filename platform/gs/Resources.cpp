#include "gs/Resources.h"

#include "gs/MemoryManager.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

struct Entry {
    const unsigned char* bytes;
    UInt32 size;
};
using Key = std::tuple<GSType, Int32, UInt32>;
using Cache = std::map<Key, Entry>;

std::map<GSResModule, Cache>& Caches() {
    static std::map<GSResModule, Cache> caches;
    return caches;
}
GSResModule nextModule = 1;

UInt32 ReadU32(const unsigned char* p) {
    return UInt32(p[0]) | UInt32(p[1]) << 8 | UInt32(p[2]) << 16 | UInt32(p[3]) << 24;
}

const Entry* Find(GSType type, GSResModule module, GSResID id, UInt32 language) {
    auto cache = Caches().find(module);
    if (cache == Caches().end())
        return nullptr;
    auto entry = cache->second.find({type, Int32(id), language});
    return entry == cache->second.end() ? nullptr : &entry->second;
}

} // namespace

GSResModule RSInitModuleImageCache(const void* image, UInt64 size) {
    const auto* p = static_cast<const unsigned char*>(image);
    if (p == nullptr || size < 8 || std::memcmp(p, "QVRS", 4) != 0)
        return -1;
    UInt32 count = ReadU32(p + 4);
    Cache cache;
    UInt64 at = 8;
    for (UInt32 i = 0; i < count; ++i) {
        if (size - at < 16)
            return -1;
        GSType type = ReadU32(p + at);
        Int32 id = Int32(ReadU32(p + at + 4));
        UInt32 language = ReadU32(p + at + 8);
        UInt32 bytes = ReadU32(p + at + 12);
        at += 16;
        if (size - at < bytes)
            return -1;
        cache[{type, id, language}] = Entry{p + at, bytes};
        at += bytes;
    }
    GSResModule module = nextModule++;
    Caches()[module] = std::move(cache);
    return module;
}

void RSRemoveModuleImageCache(GSResModule module) {
    Caches().erase(module);
}

std::vector<GSResModule> RSOpenModules() {
    std::vector<GSResModule> modules;
    for (const auto& [module, cache] : Caches())
        modules.push_back(module);
    return modules;
}

GSHandle RSLoadResource(GSType type, GSResModule module, GSResID id, UInt32 language) {
    const Entry* entry = Find(type, module, id, language);
    if (entry == nullptr)
        return nullptr;
    GSHandle handle = BMAllocateHandle(entry->size, 0, 0);
    if (handle != nullptr && entry->size > 0)
        std::memcpy(*handle, entry->bytes, entry->size);
    return handle;
}

bool RSGetIndString(GS::UniString* text, GSResID id, Int32 index, GSResModule module) {
    const Entry* entry = Find(RT_StringList, module, id, RS_DefaultLanguage);
    if (text == nullptr || entry == nullptr || entry->size < 4 || index < 1)
        return false;
    UInt32 count = ReadU32(entry->bytes);
    if (count > entry->size - 4)
        return false;
    std::string_view strings(reinterpret_cast<const char*>(entry->bytes + 4), count);
    Int32 number = 1;
    size_t start = 0;
    while (start < strings.size()) {
        size_t end = strings.find('\0', start);
        if (end == std::string_view::npos)
            return false; // an unterminated last string is not a string
        if (number == index) {
            *text = GS::UniString(strings.substr(start, end - start), CC_UTF8);
            return true;
        }
        ++number;
        start = end + 1;
    }
    return false;
}

bool RSGetIdentifierPair(GSResID id, GSResModule module, UInt32* first, UInt32* second) {
    const Entry* entry = Find(RT_IdentifierPair, module, id, RS_DefaultLanguage);
    if (entry == nullptr || entry->size != 12 || ReadU32(entry->bytes) != 8)
        return false;
    if (first)
        *first = ReadU32(entry->bytes + 4);
    if (second)
        *second = ReadU32(entry->bytes + 8);
    return true;
}
