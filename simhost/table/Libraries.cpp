// Libraries and library parts: the library list, the special folders, library parts registered
// from files, created section by section, and their parameters.
#include "gs/MemoryManager.h"
#include "io/Location.h"
#include "io/Native.h"
#include "table/Operations.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace simhost {

using nlohmann::json;

namespace {

bool IsFolder(const std::string& path) {
    return !path.empty() && IO::Native::Inspect(path) == IO::Native::Kind::Folder;
}

bool IsFile(const std::string& path) {
    return !path.empty() && IO::Native::Inspect(path) == IO::Native::Kind::File;
}

// A NUL-terminated text in a fixed field; nothing when the field holds no terminator.
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

// Copies as much of the text as fits with its terminator.
template <size_t N> void PutField(char16_t (&field)[N], const std::string& text) {
    std::u16string units = GS::Utf8ToUtf16(text);
    size_t n = std::min(units.size(), N - 1);
    std::copy_n(units.begin(), n, field);
    field[n] = 0;
}

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

std::string PartName(const LibraryPart& part) {
    return part.name;
}

const LibraryPart* FindPart(Host& host, Int32 index) {
    if (host.libraryPartInProgress && host.libraryPartInProgress->index == index)
        return &host.libraryPartInProgress->part;
    auto all = host.project.libraries.AllParts();
    if (index < 1 || size_t(index) > all.size())
        return nullptr;
    return all[size_t(index) - 1];
}

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

// Fills every field the record defines; what it leaves open (reserved bytes, the fields after
// their texts, the value's bytes beyond a number) the host's variance fills.
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

// The parameter section's data: the host's own form, a JSON text.
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

// Puts a whole section into the part: parameters (the host's own form) into its parameter list,
// others by code, their bytes kept as they are.
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

} // namespace

// ---- Selector requests

GSErrCode requests::GetLibraryList(Host& host, GS::Array<API_LibraryInfo>* list, Int32* embeddedIndex) {
    if (list == nullptr)
        return ErrBadParameter;
    const Libraries& libraries = host.project.libraries;
    list->Clear();
    if (!libraries.embeddedFolder.empty())
        list->Push(API_LibraryInfo{IO::Location(libraries.embeddedFolder),
                                   GS::UniString(EmbeddedLibraryName, CC_UTF8), 1, 0});
    for (const auto& e : libraries.list)
        list->Push(
            API_LibraryInfo{IO::Location(e.path), GS::UniString(e.name, CC_UTF8), e.container ? 2 : 0, 0});
    if (embeddedIndex != nullptr)
        *embeddedIndex = libraries.embeddedFolder.empty() ? -1 : 0;
    return NoError;
}

GSErrCode requests::SetLibraryList(Host& host, const GS::Array<API_LibraryInfo>* list) {
    if (list == nullptr)
        return ErrBadParameter;
    Libraries& libraries = host.project.libraries;
    std::vector<LibraryEntry> entries;
    for (const auto& info : *list) {
        std::string path = info.location.ToPath();
        // The embedded library belongs to the project; it is listed but not replaced.
        if (!libraries.embeddedFolder.empty() && path == IO::Location(libraries.embeddedFolder).ToPath())
            continue;
        LibraryEntry entry{path, info.name.ToCStr(CC_UTF8), false, {}};
        if (!IsFolder(path)) {
            auto parts = IsFile(path) ? ReadContainerFile(path) : std::nullopt;
            if (!parts)
                return ErrNotFound;
            entry.container = true;
            entry.parts = std::move(*parts);
        }
        if (entry.name.empty())
            entry.name = std::filesystem::path(path).filename().string();
        entries.push_back(std::move(entry));
    }
    libraries.list = std::move(entries);
    return NoError;
}

GSErrCode requests::SetLibraryPartOverwrite(Host& host, bool overwrite) {
    host.project.libraries.overwrite = overwrite;
    return NoError;
}

GSErrCode requests::GetSpecialFolder(Host& host, Int32 number, IO::Location* location) {
    if (location == nullptr)
        return ErrBadParameter;
    auto& folders = host.specialFolders;
    auto found = folders.find(number);
    std::string path;
    if (found != folders.end())
        path = found->second;
    else if (number == SpecialFolderUserLibrary)
        // A user library of the session's own.
        path = folders[number] = (std::filesystem::path(host.SessionFolder()) / "UserLibrary").string();
    else
        return ErrBadParameter;
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored); // the host keeps its folders in place
    *location = IO::Location(path);
    return NoError;
}

// ---- Reading library parts

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
    PutField(part->docuName, PartName(p));
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

// ---- Parameter sections

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

// ---- Creating library parts

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
    if (part->location == nullptr || !IsFolder(part->location->ToPath()))
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

// ---- Registered library parts

GSErrCode ops::RegisterLibraryPart(API_AddOnHandle, API_LibPart* part) {
    Host& host = CurrentHost();
    if (part == nullptr || part->location == nullptr)
        return ErrBadParameter;
    if (part->typeID != LibPartKindObject)
        return ErrBadRecordKind;
    std::string path = part->location->ToPath();
    if (!IsFile(path))
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
