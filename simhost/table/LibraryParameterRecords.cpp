// Parameter records: the add-on's records read into the host's parameters, and the host's
// parameters written into records; the texts of fixed fields.
#include "gs/MemoryManager.h"
#include "table/LibraryTable.h"

#include <cstring>

namespace simhost::library {

std::optional<std::string> FieldText(const char16_t* units, size_t capacity) {
    for (size_t n = 0; n < capacity; ++n)
        if (units[n] == 0)
            return GS::Utf16ToUtf8(std::u16string_view(units, n));
    return std::nullopt;
}

std::optional<std::string> FieldText(const char* bytes, size_t capacity) {
    const void* end = std::memchr(bytes, 0, capacity);
    if (end == nullptr)
        return std::nullopt;
    return std::string(bytes, static_cast<const char*>(end));
}

namespace {

// The texts of an array parameter: NUL-terminated UTF-16 texts back to back.
std::vector<std::string> ArrayTexts(GSHandle h) {
    std::vector<std::string> texts;
    if (h == nullptr || *h == nullptr)
        return texts;
    size_t units = size_t(BMGetHandleSize(h)) / 2;
    std::u16string all(units, u'\0');
    std::memcpy(all.data(), *h, units * 2);
    size_t start = 0;
    for (size_t n = 0; n < units; ++n) {
        if (all[n] == 0) {
            texts.push_back(GS::Utf16ToUtf8(std::u16string_view(all).substr(start, n - start)));
            start = n + 1;
        }
    }
    return texts;
}

GSHandle ArrayHandle(const std::vector<std::string>& texts) {
    std::u16string all;
    for (const auto& t : texts) {
        all += GS::Utf8ToUtf16(t);
        all.push_back(0);
    }
    GSHandle h = BMAllocateHandle(Int64(all.size() * 2), ALLOCATE_CLEAR, 0);
    if (h != nullptr && !all.empty())
        std::memcpy(*h, all.data(), all.size() * 2);
    return h;
}

} // namespace

std::optional<LibraryParameter> ParameterFromRecord(const API_AddParType& r) {
    LibraryParameter p;
    p.type = r.typeID;
    auto name = FieldText(r.name, sizeof r.name);
    auto description = FieldText(r.description, ParamTextUnits);
    if (!name || name->empty() || !description)
        return std::nullopt;
    p.name = *name;
    p.description = *description;
    p.flags = r.flags;
    if (r.typeMod == ParamModifierArray) {
        p.values = ArrayTexts(r.value.array);
    } else if (r.typeMod != ParamModifierSingle) {
        return std::nullopt;
    } else if (r.typeID == ParamTypeText) {
        auto text = FieldText(r.value.text, ParamTextUnits);
        if (!text)
            return std::nullopt;
        p.text = *text;
    } else if (r.typeID != ParamTypeTitle) {
        p.real = r.value.real;
    }
    return p;
}

void FillRecord(API_AddParType& r, const LibraryParameter& p, Int16 index) {
    HostVariance& variance = CurrentHost().variance;
    variance.Noise(&r, sizeof r);
    r.typeID = p.type;
    r.index = index;
    r.typeMod = p.values ? ParamModifierArray : ParamModifierSingle;
    size_t n = std::min(p.name.size(), sizeof r.name - 1);
    std::memcpy(r.name, p.name.data(), n);
    r.name[n] = 0;
    variance.NoiseAfterText(r.name, sizeof r.name);
    PutField(r.description, p.description);
    r.flags = p.flags;
    r.arrayDescriptions = nullptr;
    if (p.values) {
        r.value.array = ArrayHandle(*p.values);
        r.arrayDescriptions = ArrayHandle(std::vector<std::string>(p.values->size()));
    } else if (p.text) {
        PutField(r.value.text, *p.text);
    } else {
        r.value.real = p.real;
    }
}

} // namespace simhost::library
