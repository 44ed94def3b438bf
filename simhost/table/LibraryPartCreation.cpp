// Creating library parts: the parameter section built from records, then the part made section by
// section and saved into a folder.
#include "gs/MemoryManager.h"
#include "io/File.h"
#include "io/Location.h"
#include "table/LibraryTable.h"

#include <filesystem>

namespace simhost {

using namespace library;

GSErrCode ops::BuildParameterSection(API_AddOnHandle, const API_LibPart* part, API_AddParType** parameters,
                                     double a, double b, Int32, GSHandle* data, void*) {
    if (part == nullptr || data == nullptr)
        return ErrBadParameter;
    std::vector<LibraryParameter> list;
    if (parameters != nullptr) {
        Int64 size = BMGetHandleSize(reinterpret_cast<GSHandle>(parameters));
        if (size % Int64(sizeof(API_AddParType)) != 0)
            return ErrBadParameter;
        for (Int64 n = 0; n < size / Int64(sizeof(API_AddParType)); ++n) {
            auto p = ParameterFromRecord((*parameters)[n]);
            if (!p)
                return ErrBadParameter;
            list.push_back(std::move(*p));
        }
    }
    *data = HandleOf(ParameterSectionBytes(a, b, list));
    return *data == nullptr ? ErrOutOfMemory : NoError;
}

GSErrCode ops::SetParameterSectionDetails(API_AddOnHandle, const API_LibPart* part, GSHandle data,
                                          const API_LibPartDetails* details) {
    if (part == nullptr || data == nullptr || details == nullptr)
        return ErrBadParameter;
    LibraryPart check;
    return ReadParameterSection(BytesOf(data), check) ? NoError : ErrBadParameter;
}

GSErrCode ops::CreateLibraryPart(API_AddOnHandle, API_LibPart* part) {
    Host& host = CurrentHost();
    if (part == nullptr)
        return ErrBadParameter;
    if (part->typeID != LibPartKindObject)
        return ErrBadRecordKind;
    if (host.libraryPartInProgress)
        return ErrAlreadyRegistered;
    auto name = FieldText(part->docuName, LibPartNameUnits);
    if (!name || name->empty())
        return ErrBadParameter;
    if (part->location == nullptr || !IO::IsFolder(part->location->ToPath()))
        return ErrNotFound;
    Libraries& libraries = host.project.libraries;
    LibraryPartInProgress work;
    work.part.name = *name;
    work.part.origin = "created";
    work.part.flags = part->flags;
    work.folder = part->location->ToPath();
    work.index = Int32(libraries.parts.size()) + 1;
    for (size_t n = 0; n < libraries.parts.size(); ++n) {
        if (libraries.parts[n].name == *name) {
            if (!libraries.overwrite)
                return ErrNameExists;
            work.index = Int32(n) + 1;
            work.replaces = true;
        }
    }
    part->index = work.index;
    host.libraryPartInProgress = std::move(work);
    return NoError;
}

GSErrCode ops::BeginLibraryPartSection(API_AddOnHandle, const API_LibPartSection* section) {
    auto& work = CurrentHost().libraryPartInProgress;
    if (section == nullptr)
        return ErrBadParameter;
    if (!work)
        return ErrNotRegistered;
    if (work->openSection)
        return ErrAlreadyRegistered;
    work->openSection = LibraryPartSection{section->sectType, section->subIdent, {}};
    return NoError;
}

GSErrCode ops::WriteLibraryPartSection(API_AddOnHandle, Int32 byteCount, const char* bytes) {
    auto& work = CurrentHost().libraryPartInProgress;
    if (!work || !work->openSection)
        return ErrNotRegistered;
    if (byteCount < 0 || (byteCount > 0 && bytes == nullptr))
        return ErrBadParameter;
    work->openSection->bytes.append(bytes ? bytes : "", size_t(byteCount));
    return NoError;
}

GSErrCode ops::EndLibraryPartSection(API_AddOnHandle) {
    auto& work = CurrentHost().libraryPartInProgress;
    if (!work || !work->openSection)
        return ErrNotRegistered;
    LibraryPartSection done = std::move(*work->openSection);
    work->openSection.reset();
    API_LibPartSection header{};
    header.sectType = done.code;
    header.subIdent = done.subIdent;
    return PutSection(work->part, header, done.bytes);
}

GSErrCode ops::AddLibraryPartSection(API_AddOnHandle, const API_LibPartSection* section, GSHandle data,
                                     const GS::UniString* text) {
    auto& work = CurrentHost().libraryPartInProgress;
    if (section == nullptr || (data == nullptr && text == nullptr))
        return ErrBadParameter;
    if (!work)
        return ErrNotRegistered;
    return PutSection(work->part, *section, data != nullptr ? BytesOf(data) : text->ToCStr(CC_UTF8));
}

GSErrCode ops::SaveLibraryPart(API_AddOnHandle, API_LibPart* part) {
    Host& host = CurrentHost();
    if (part == nullptr)
        return ErrBadParameter;
    auto& work = host.libraryPartInProgress;
    if (!work)
        return ErrNotRegistered;
    if (work->openSection)
        return ErrAlreadyRegistered;
    LibraryPartInProgress done = std::move(*work);
    work.reset();
    std::string file =
        (std::filesystem::path(done.folder) / (SafeFileName(done.part.name) + ".gsm")).string();
    if (!WriteLibraryPartFile(done.part, file))
        return ErrGeneral;
    done.part.file = file;
    auto& parts = host.project.libraries.parts;
    if (done.replaces && size_t(done.index) <= parts.size())
        parts[size_t(done.index) - 1] = std::move(done.part);
    else
        parts.push_back(std::move(done.part));
    part->index = done.index;
    return NoError;
}

} // namespace simhost
