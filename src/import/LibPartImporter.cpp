#include "import/LibPartImporter.h"

#include "api/ErrorCodes.h"
#include "api/Selectors.h"
#include "gs/Debug.h"
#include "gs/MemoryManager.h"
#include "host/HostApi.h"
#include "host/HostHandle.h"
#include "import/ImportDispatcher.h"
#include "import/LibraryParameters.h"
#include "io/File.h"

#include <cstring>

using nlohmann::json;

namespace {

constexpr Int16 TextParameterFlags = 1;
// The fixed sizes given to a part whose own cannot be read: one metre each.
constexpr double DefaultPartSize = 1.0;

// Copies as many whole characters as fit with the terminator into a fixed UTF-16 field.
template <size_t N> void CopyUnits(char16_t (&field)[N], std::u16string_view units) {
    size_t n = std::min(units.size(), N - 1);
    if (n > 0 && n < units.size() && units[n - 1] >= 0xD800 && units[n - 1] <= 0xDBFF)
        --n; // a high surrogate whose partner does not fit
    std::copy_n(units.begin(), n, field);
    std::fill(field + n, field + N, u'\0');
}

GSErrCode SetOverwrite(bool on) {
    return HostApi::SetLibraryPartOverwrite(on);
}

API_LibPartSection Header(GSType code) {
    API_LibPartSection header{};
    header.sectType = code;
    return header;
}

// One section of the part being created, written as the given pieces of text.
void WriteSection(GSType code, std::initializer_list<std::string> pieces) {
    const API_LibPartSection header = Header(code);
    // The section results are not examined: a part missing a section is still a part.
    (void)HostApi::BeginLibraryPartSection(&header);
    for (const std::string& piece : pieces)
        (void)HostApi::WriteLibraryPartSection(Int32(piece.size()), piece.c_str());
    (void)HostApi::EndLibraryPartSection();
}

void FillTitleRecord(API_AddParType& record, const std::string& setName) {
    record.typeID = ParamTypeTitle;
    record.typeMod = ParamModifierSingle;
    // Cut to the record's field: the length is not needed.
    (void)CHTruncate((ParameterNamePrefix + setName).c_str(), record.name, ParamNameSize, CC_UTF8);
    CopyUnits(record.description, GS::UniString(setName, CC_UTF8).View());
    record.flags = 0;
}

void FillTextRecord(API_AddParType& record, const std::string& name, const std::string& value) {
    record.typeID = ParamTypeText;
    record.typeMod = ParamModifierSingle;
    // Cut to the record's field: the length is not needed.
    (void)CHTruncate((ParameterNamePrefix + name).c_str(), record.name, ParamNameSize, CC_UTF8);
    CopyUnits(record.description, GS::UniString(name, CC_UTF8).View());
    record.flags = TextParameterFlags;
    CopyUnits(record.value.text, GS::UniString(value, CC_UTF8).View());
}

} // namespace

void CopyNameField(char16_t (&field)[LibPartNameUnits], const GS::UniString& text) {
    CopyUnits(field, text.View());
}

API_LibPart MakeLibPartRecord(const std::string& documentName) {
    API_LibPart part{};
    part.typeID = LibPartKindObject;
    CopyNameField(part.docuName, GS::UniString(HostNameText(documentName), CC_UTF8));
    return part;
}

Int64 ParameterRecordCount(const PropertySetMap& properties) {
    Int64 records = 0;
    for (const auto& [set, values] : properties)
        records += 1 + Int64(values.size());
    return records;
}

void LibPartImporter::RequireDownloaded(const ProductRecord& record) {
    if (!record.file.downloaded)
        throw ImportRefused("the product file \"" + record.file.name + "\" was not downloaded");
}

void LibPartImporter::RequireTagFits(const ProductRecord& record) {
    const auto set = record.properties.find(ProductTagName);
    if (set == record.properties.end())
        return;
    const auto tag = set->second.find(ProductTagName);
    if (tag == set->second.end() || GS::UniString(tag->second, CC_UTF8).GetLength() < UInt32(ParamTextUnits))
        return;
    // Cut to the field, the tag would name another product.
    DBPrintf("Quorvel: the product identifier is longer than a library part parameter holds; not imported\n");
    throw ImportRefused("the product identifier does not fit the library part's tag");
}

void LibPartImporter::RequireParametersFit(const ProductRecord& record) {
    if (ParameterRecordCount(record.properties) > MaxParameterRecords)
        throw ImportRefused("the product has more properties than a library part can hold");
}

GSErrCode LibPartImporter::AddLibraryFile(ProductRecord record) {
    const auto path = LocalFilePath(record.localFolder, record.file);
    if (!path)
        return NoError;
    GS::Array<API_LibraryInfo> libraries;
    if (HostApi::GetLibraryList(&libraries, nullptr) == NoError) {
        API_LibraryInfo added;
        added.location = IO::Location(*path);
        // Listed twice, its parts would show twice. Listed already, the list is sent as it is:
        // that makes the host read the container the download has refreshed.
        bool listed = false;
        for (const auto& library : libraries)
            listed = listed || library.location == added.location;
        if (!listed)
            libraries.Push(std::move(added));
        (void)HostApi::SetLibraryList(&libraries); // a container the host refuses stays out of the list
    }
    return NoError;
}

GSErrCode LibPartImporter::RegisterObjectFile(ProductRecord record) {
    const auto fileName = LocalFileName(record.file);
    if (!fileName)
        return ErrBadParameter;
    const IO::Location source(record.localFolder + "\\" + *fileName);
    const auto picture = LocalFilePath(record.localFolder, record.image);

    API_LibPart part = MakeLibPartRecord(record.file.name);
    // The file's own name, as it was downloaded and is copied.
    CopyNameField(part.fileName,
                  GS::UniString(SafeHostFileBase(record.file.name, record.file.extension.size()), CC_UTF8));
    std::unique_ptr<IO::Location> folder;
    if (GSErrCode code = FindLibraryFolder(folder); code != NoError)
        return code;
    IO::Location target = *folder;
    if (GSErrCode code = target.AppendToLocal(*fileName); code != NoError)
        return code;
    // An existing target is replaced; a failed copy shows as a failed register.
    (void)IO::fileSystem.Copy(source, target);
    part.location = &target;
    folder.reset();

    const GSErrCode result = HostApi::RegisterLibraryPart(&part);
    if (!record.image.name.empty() && record.image.downloaded && picture)
        AttachPreviewPicture(record.image.extension, part, IO::Location(*picture), false);
    // Parameters that do not fit leave the registered part as it is; the answer is the register's.
    (void)WriteParameterSection(part, record.properties, false);
    part.location = nullptr;
    return result;
}

GSErrCode LibPartImporter::CreateGeneratedLibPart(ProductRecord record) {
    // The host names the part's file after its document name.
    API_LibPart part = MakeLibPartRecord(SafeHostFileBase(record.file.name, GeneratedPartExtensionBytes));
    part.flags = LibPartFlagGenerated;
    const auto productPath = LocalFilePath(record.localFolder, record.file);
    const IO::Location productFile(productPath.value_or(std::string()));
    std::unique_ptr<IO::Location> folder;
    if (FindLibraryFolder(folder) != NoError)
        return NoError;
    part.location = folder.get();

    // Overwriting is on only for this create, whatever it answers.
    (void)SetOverwrite(true);
    const GSErrCode created = HostApi::CreateLibraryPart(&part);
    (void)SetOverwrite(false); // as above
    if (created != NoError)
        return NoError;

    // Written from the texts themselves: a name of any length goes in whole.
    const std::string eol = GS::EOL;
    WriteSection(SectionComment, {record.file.name});
    WriteSection(SectionKeywords, {"Quorvel LibPart"});
    WriteSection(SectionCopyright, {record.file.name});
    WriteSection(SectionMasterScript, {std::string()});
    WriteSection(Section3DScript, {"MATERIAL mat" + eol + eol, "BLOCK a, b, 1" + eol,
                                   "ADD a * 1, b* 1, 1" + eol, "ADDZ zzyzx - 3" + eol});
    WriteSection(Section2DScript, {"PROJECT2 3, 270, 2" + eol});

    // The preview is made of the product file's bytes; the picture gives only its type.
    if (!record.image.name.empty() && record.image.downloaded && record.file.downloaded && productPath)
        AttachPreviewPicture(record.image.extension, part, productFile, true);
    // Parameters that do not fit leave the part without them; it is still made.
    (void)WriteParameterSection(part, record.properties, true);

    part.location = nullptr;
    folder.reset();
    (void)HostApi::SaveLibraryPart(&part); // a part the host cannot save is the host's to report
    return NoError;
}

bool LibPartImporter::WriteParameterSection(API_LibPart part, PropertySetMap properties, bool add) {
    API_LibPartSection header = Header(SectionParameters);
    HostHandle sectionData;
    // Asked for whether the part has its section yet; its data are rebuilt below.
    (void)HostApi::GetLibraryPartSection(part.index, &header, sectionData.Out(), nullptr, nullptr);

    HostParameterList existing;
    if (existing.Read(part.index) != NoError) {
        existing.a = DefaultPartSize;
        existing.b = DefaultPartSize;
        // An empty section to start from; when it cannot be built, the one below is built anyway.
        (void)HostApi::BuildParameterSection(&part, nullptr, existing.a, existing.b, 0, sectionData.Out(),
                                             nullptr);
    }

    const Int64 total = Int64(existing.Count()) + ParameterRecordCount(properties);
    if (total > MaxParameterRecords) {
        DBPrintf("Quorvel: %lld parameters do not fit one parameter section; parameters left as they were\n",
                 static_cast<long long>(total));
        return false;
    }
    HostHandle list(total * Int64(sizeof(API_AddParType)));
    if (!list) {
        DBPrintf("Quorvel: no memory for %lld parameters\n", static_cast<long long>(total));
        return false;
    }
    auto* records = list.As<API_AddParType>();
    for (Int32 n = 0; n < existing.Count(); ++n)
        std::memcpy(&records[n], &existing[n], sizeof(API_AddParType));
    Int64 next = existing.Count();
    for (const auto& [setName, values] : properties) {
        FillTitleRecord(records[next++], setName);
        for (const auto& [name, value] : values)
            FillTextRecord(records[next++], name, value);
    }

    (void)HostApi::BuildParameterSection(&part, reinterpret_cast<API_AddParType**>(list.Get()), existing.a,
                                         existing.b, 0, sectionData.Out(), nullptr);
    list.Reset();
    // A section not built leaves nothing to hand the host: the part stands without its parameters.
    if (!sectionData)
        return true;
    // The section results are not examined: the part stands without its parameters.
    if (add) {
        API_LibPartDetails details{};
        (void)HostApi::SetParameterSectionDetails(&part, sectionData.Get(), &details);
        (void)HostApi::AddLibraryPartSection(&header, sectionData.Get(), nullptr);
    } else {
        (void)HostApi::UpdateLibraryPartSection(part.index, &header, sectionData.Get(), nullptr, nullptr);
    }
    return true;
}

void LibPartImporter::AttachPreviewPicture(std::string extension, API_LibPart part, IO::Location location,
                                           bool add) {
    IO::File file(location, IO::File::Fail);
    if (file.GetStatus() != NoError)
        return;
    UInt64 length = 0;
    if (file.GetDataLength(&length) != NoError)
        return;
    const std::string kind = "image/" + extension;
    HostHandle data(Int64(kind.size() + length + 1));
    if (!data)
        return;
    std::memcpy(*data.Get(), kind.c_str(), kind.size() + 1);
    if (file.Open(IO::File::ReadMode, IO::AccessDeniedQuiet) != NoError)
        return;
    const GSErrCode read = file.ReadBin(*data.Get() + kind.size() + 1, length);
    (void)file.Close(); // read only: nothing to lose
    if (read != NoError)
        return;
    const API_LibPartSection header = Header(SectionPreview);
    // A refused preview leaves the part without one; nothing to tell.
    if (add)
        (void)HostApi::AddLibraryPartSection(&header, data.Get(), nullptr);
    else
        (void)HostApi::UpdateLibraryPartSection(part.index, &header, data.Get(), nullptr, nullptr);
}

void FamilyImporter::Import(json product) {
    const ProductRecord record = ReadProduct(std::move(product));
    if (record.file.name.empty())
        return;
    const bool registers = record.file.extension == "GSM";
    const bool adds = record.file.extension == "lcf";
    if (!registers && !adds)
        return;
    RequireDownloaded(record);
    if (registers) {
        RequireTagFits(record);
        RequireParametersFit(record);
        (void)RegisterObjectFile(record); // the part's own failures are the host's to show
    }
    if (adds)
        (void)AddLibraryFile(record); // a container the host refuses is the host's to show
}

void GenericImporter::Import(json product) {
    const ProductRecord record = ReadProduct(std::move(product));
    if (record.file.name.empty()) {
        (void)HostApi::WriteReport("Name is not defined", true); // the report is the answer
        return;
    }
    // The part is made of fixed scripts: without its file it is generated without a preview.
    RequireTagFits(record);
    RequireParametersFit(record);
    // The page is answered {"Success":true} whatever the host made of the part, as it expects.
    (void)CreateGeneratedLibPart(record);
}
