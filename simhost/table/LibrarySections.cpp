// The bytes of library-part sections: the parameter section in the host's own form, and the
// sections the add-on writes, kept as they are.
#include "gs/MemoryManager.h"
#include "table/LibraryTable.h"

#include <cstring>

namespace simhost::library {

using nlohmann::json;

GSHandle HandleOf(const std::string& bytes) {
    GSHandle h = BMAllocateHandle(Int64(bytes.size()), ALLOCATE_CLEAR, 0);
    if (h != nullptr && !bytes.empty())
        std::memcpy(*h, bytes.data(), bytes.size());
    return h;
}

std::string BytesOf(GSHandle h) {
    if (h == nullptr || *h == nullptr)
        return std::string();
    return std::string(*h, size_t(BMGetHandleSize(h)));
}

std::string ParameterSectionBytes(double a, double b, const std::vector<LibraryParameter>& parameters) {
    LibraryPart holder;
    holder.a = a;
    holder.b = b;
    holder.parameters = parameters;
    json j = LibraryPartToJson(holder);
    return json{{"kind", "parameter-section"}, {"a", j["a"]}, {"b", j["b"]}, {"parameters", j["parameters"]}}
        .dump();
}

bool ReadParameterSection(const std::string& bytes, LibraryPart& into) {
    json j = json::parse(bytes, nullptr, false);
    if (j.is_discarded() || !j.is_object() || j.value("kind", "") != "parameter-section")
        return false;
    try {
        LibraryPart read = LibraryPartFromJson(j);
        into.a = read.a;
        into.b = read.b;
        into.parameters = read.parameters.value_or(std::vector<LibraryParameter>{});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

GSErrCode PutSection(LibraryPart& part, const API_LibPartSection& header, const std::string& bytes) {
    if (header.sectType == SectionParameters)
        return ReadParameterSection(bytes, part) ? NoError : ErrBadParameter;
    for (auto& s : part.sections) {
        if (s.code == header.sectType && s.subIdent == header.subIdent) {
            s.bytes = bytes;
            return NoError;
        }
    }
    part.sections.push_back({header.sectType, header.subIdent, bytes});
    return NoError;
}

} // namespace simhost::library
