// Reading library parts: the parts of the project's libraries, their placed objects, their
// parameters and sections.
#include "gs/MemoryManager.h"
#include "table/LibraryTable.h"

#include <filesystem>

namespace simhost {

using namespace library;

namespace {

// The part of `index`, or the one being created under it.
const LibraryPart* FindPart(Host& host, Int32 index) {
    if (host.libraryPartInProgress && host.libraryPartInProgress->index == index)
        return &host.libraryPartInProgress->part;
    auto all = host.project.libraries.AllParts();
    if (index < 1 || size_t(index) > all.size())
        return nullptr;
    return all[size_t(index) - 1];
}

} // namespace

GSErrCode ops::GetLibraryPartCount(API_AddOnHandle, Int32* count) {
    if (count == nullptr)
        return ErrBadParameter;
    *count = Int32(CurrentHost().project.libraries.AllParts().size());
    return NoError;
}

GSErrCode ops::GetLibraryPart(API_AddOnHandle, API_LibPart* part) {
    if (part == nullptr)
        return ErrBadParameter;
    auto all = CurrentHost().project.libraries.AllParts();
    if (part->index < 1 || size_t(part->index) > all.size())
        return ErrBadIndex;
    const LibraryPart& p = *all[size_t(part->index) - 1];
    // The record is the host's but for the caller's location and the index it asked for.
    HostVariance& variance = CurrentHost().variance;
    variance.NoiseField(part->reserved0);
    variance.NoiseField(part->reserved1);
    variance.NoiseField(part->reserved2);
    part->typeID = LibPartKindObject;
    PutField(part->docuName, p.name);
    PutField(part->fileName, std::filesystem::path(p.file).filename().string());
    variance.NoiseAfterText(part->docuName, LibPartNameUnits);
    variance.NoiseAfterText(part->fileName, LibPartNameUnits);
    part->flags = p.flags;
    return NoError;
}

namespace {

// The placed objects that use the part of `index`, in creation order: an object counts for the
// part it names, and only for the first part of that name.
template <typename Visit> GSErrCode VisitObjectsOfPart(Host& host, Int32 index, Visit visit) {
    const Libraries& libraries = host.project.libraries;
    const auto parts = libraries.AllParts();
    if (index < 1 || size_t(index) > parts.size())
        return ErrBadIndex;
    const std::string& name = parts[size_t(index) - 1]->name;
    if (libraries.IndexOfPart(name) != index)
        return NoError;
    for (const auto& e : host.project.elements.elements)
        if (e.type == ElemTypeObject && e.libraryPart == name)
            visit(e);
    return NoError;
}

} // namespace

GSErrCode ops::GetLibraryPartUseCount(API_AddOnHandle, Int32 index, Int32* count) {
    if (count == nullptr)
        return ErrBadParameter;
    Int32 n = 0;
    const GSErrCode code = VisitObjectsOfPart(CurrentHost(), index, [&n](const Element&) { ++n; });
    if (code == NoError)
        *count = n;
    return code;
}

GSErrCode ops::ListLibraryPartObjects(API_AddOnHandle, Int32 index, GS::Array<API_Guid>* objects) {
    if (objects == nullptr)
        return ErrBadParameter;
    GS::Array<API_Guid> found;
    const GSErrCode code =
        VisitObjectsOfPart(CurrentHost(), index, [&found](const Element& e) { found.Push(e.guid); });
    if (code == NoError)
        *objects = std::move(found);
    return code;
}

GSErrCode ops::GetLibraryPartParameters(API_AddOnHandle, Int32 index, double* a, double* b, Int32* count,
                                        API_AddParType*** parameters) {
    if (a == nullptr || b == nullptr || count == nullptr || parameters == nullptr)
        return ErrBadParameter;
    const LibraryPart* part = FindPart(CurrentHost(), index);
    if (part == nullptr)
        return ErrBadIndex;
    if (!part->parameters)
        return ErrNoSection;
    const auto& list = *part->parameters;
    GSHandle h = BMAllocateHandle(Int64(list.size() * sizeof(API_AddParType)), ALLOCATE_CLEAR, 0);
    if (h == nullptr)
        return ErrOutOfMemory;
    auto* records = reinterpret_cast<API_AddParType*>(*h);
    for (size_t n = 0; n < list.size(); ++n)
        FillRecord(records[n], list[n], Int16(n + 1));
    *a = part->a;
    *b = part->b;
    *count = Int32(list.size());
    *parameters = reinterpret_cast<API_AddParType**>(h);
    return NoError;
}

GSErrCode ops::GetLibraryPartSection(API_AddOnHandle, Int32 index, API_LibPartSection* section,
                                     GSHandle* data, GS::UniString* text, void*) {
    if (section == nullptr || data == nullptr)
        return ErrBadParameter;
    const LibraryPart* part = FindPart(CurrentHost(), index);
    if (part == nullptr)
        return ErrBadIndex;
    std::string bytes;
    if (section->sectType == SectionParameters) {
        if (!part->parameters)
            return ErrNoSection;
        bytes = ParameterSectionBytes(part->a, part->b, *part->parameters);
    } else {
        const LibraryPartSection* found = part->FindSection(section->sectType);
        if (found == nullptr)
            return ErrNoSection;
        bytes = found->bytes;
    }
    *data = HandleOf(bytes);
    if (*data == nullptr)
        return ErrOutOfMemory;
    if (text != nullptr)
        *text = GS::UniString(bytes, CC_UTF8);
    return NoError;
}

} // namespace simhost
