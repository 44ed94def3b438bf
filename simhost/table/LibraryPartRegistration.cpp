// Registered library parts: a part file registered from a folder, and its sections updated.
#include "io/File.h"
#include "io/Location.h"
#include "table/LibraryTable.h"

#include <filesystem>

namespace simhost {

using namespace library;

GSErrCode ops::RegisterLibraryPart(API_AddOnHandle, API_LibPart* part) {
    Host& host = CurrentHost();
    if (part == nullptr || part->location == nullptr)
        return ErrBadParameter;
    if (part->typeID != LibPartKindObject)
        return ErrBadRecordKind;
    std::string path = part->location->ToPath();
    if (!IO::IsRegularFile(path))
        return ErrNotFound;
    auto read = ReadLibraryPartFile(path);
    if (!read)
        return ErrBadFile;
    auto name = FieldText(part->docuName, LibPartNameUnits);
    if (name && !name->empty())
        read->name = *name;
    else if (read->name.empty())
        read->name = std::filesystem::path(path).stem().string();
    read->origin = "registered";
    auto& parts = host.project.libraries.parts;
    for (size_t n = 0; n < parts.size(); ++n) {
        if (parts[n].file == path) {
            parts[n] = std::move(*read);
            part->index = Int32(n) + 1;
            return NoError;
        }
    }
    parts.push_back(std::move(*read));
    part->index = Int32(parts.size());
    return NoError;
}

GSErrCode ops::UpdateLibraryPartSection(API_AddOnHandle, Int32 index, const API_LibPartSection* section,
                                        GSHandle data, const GS::UniString* text, void*) {
    Host& host = CurrentHost();
    if (section == nullptr || (data == nullptr && text == nullptr))
        return ErrBadParameter;
    LibraryPart* part = host.project.libraries.OwnPart(index);
    if (part == nullptr)
        return ErrBadIndex;
    LibraryPart changed = *part;
    GSErrCode code = PutSection(changed, *section, data != nullptr ? BytesOf(data) : text->ToCStr(CC_UTF8));
    if (code != NoError)
        return code;
    if (!changed.file.empty() && !WriteLibraryPartFile(changed, changed.file))
        return ErrGeneral;
    *part = std::move(changed);
    return NoError;
}

} // namespace simhost
