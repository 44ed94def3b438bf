#include "import/ProductPayload.h"

#include "api/ErrorCodes.h"
#include "api/LibraryRecords.h"
#include "api/Selectors.h"
#include "gs/Debug.h"
#include "host/HostApi.h"
#include "import/FileService.h"
#include "io/File.h"
#include "net/Download.h"

#include <cstdlib>
#include <new>

using nlohmann::json;

namespace {

constexpr const char* LibraryFolderName = "Quorvel";
constexpr Int32 SpecialFolderUserLibrary = 6;

// A null or missing text reads as empty; anything else must be a JSON string.
std::string TextOrEmpty(const json& value) {
    return value.is_null() ? std::string() : value.get<std::string>();
}

// The last three characters; std::out_of_range for a shorter text.
std::string LastThree(const std::string& text) {
    return text.substr(text.size() - 3);
}

// A file name is made of the product's texts, which come from the web: every byte that is a path
// separator ("/" or "\"), NUL or another control character (below 0x20, and 0x7F), or one of
// : * ? " < > | (refused by some file systems) becomes "_". Other bytes, UTF-8 sequences
// included, stay as they are.
std::string SafeFileText(const std::string& text) {
    std::string safe = text;
    for (char& c : safe) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
            c == '<' || c == '>' || c == '|')
            c = '_';
    }
    return safe;
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string PercentEncoded(const std::string& text) {
    static const char digits[] = "0123456789ABCDEF";
    // "." and ".." are path segments that URL libraries resolve away: encoded, they stay the uuid.
    const bool dotSegment = text == "." || text == "..";
    std::string encoded;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (IsUnreserved(u) && !dotSegment) {
            encoded.push_back(c);
        } else {
            encoded.push_back('%');
            encoded.push_back(digits[u >> 4]);
            encoded.push_back(digits[u & 0x0F]);
        }
    }
    return encoded;
}

std::string TemporaryFolder() {
    const char* temp = std::getenv("TEMP");
    return temp != nullptr ? temp : "/tmp";
}

GSErrCode GetLibraryList(GS::Array<API_LibraryInfo>& list, Int32* embeddedIndex) {
    return HostApi::GetLibraryList(&list, embeddedIndex);
}

} // namespace

std::string CutUtf8(const std::string& text, size_t bytes) {
    if (text.size() <= bytes)
        return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes; // text[bytes] continues the sequence before it
    return text.substr(0, bytes);
}

std::string SafeFileBaseName(const std::string& text, size_t extensionBytes) {
    const size_t room = MaxFileNameBytes > extensionBytes ? MaxFileNameBytes - extensionBytes - 1 : 0;
    return CutUtf8(SafeFileText(text), room);
}

std::string SafeHostFileBase(const std::string& name, size_t extensionBytes) {
    std::string safe = SafeFileBaseName(name, extensionBytes);
    // A name of dots alone would name a folder.
    if (safe.find_first_not_of('.') == std::string::npos)
        safe = SafeFileBaseName("_" + safe, extensionBytes);
    return safe;
}

std::optional<std::string> LocalFileName(const std::string& baseName, const std::string& extension) {
    const std::string safeExtension = SafeFileText(extension);
    if (safeExtension.size() >= MaxFileNameBytes)
        return std::nullopt;
    const std::string name = SafeFileBaseName(baseName, safeExtension.size()) + "." + safeExtension;
    // "." and ".." name folders, and a name of dots alone is no name a user can see.
    if (name.find_first_not_of('.') == std::string::npos)
        return std::nullopt;
    return name;
}

std::optional<std::string> LocalFileName(const FileRef& file) {
    return LocalFileName(file.name, file.extension);
}

std::optional<std::string> LocalFilePath(const std::string& localFolder, const FileRef& file) {
    auto name = LocalFileName(file);
    if (!name)
        return std::nullopt;
    return localFolder + "\\" + *name;
}

std::string FileServiceAddress(const std::string& uuid) {
    return FileServiceBaseAddress() + "/api/v1/files/" + PercentEncoded(uuid);
}

ProductRecord ReadProduct(json product) {
    ProductRecord record;
    record.file.name = TextOrEmpty(product["name"]);
    record.file.uuid = TextOrEmpty(product["fileForImportUuid"]);
    const json& contentType = product["fileForImportContentType"];
    record.file.extension = contentType.is_null() ? std::string() : LastThree(contentType.get<std::string>());

    json& image = product["image"];
    // A null picture reads as an object without members; made one first, as the library's own
    // conversion cannot be undone when memory runs out halfway.
    if (image.is_null())
        image = json::object();
    const std::string imageName = TextOrEmpty(image["name"]);
    record.image.name = imageName.size() < 4 ? imageName : imageName.substr(0, imageName.size() - 4);
    record.image.uuid = TextOrEmpty(image["uuid"]);
    record.image.extension = image["name"].is_null() ? std::string() : LastThree(imageName);

    record.properties = ReadPropertySets(product["propertySets"]);
    AddProductTag(record.properties, product["uuid"].get<std::string>());

    if (!record.file.name.empty()) {
        record.localFolder = DownloadProductFile(record.file.name, record.file.uuid, record.file.extension,
                                                 &record.file.downloaded);
        if (!record.image.name.empty())
            (void)DownloadProductFile(record.image.name, record.image.uuid, record.image.extension,
                                      &record.image.downloaded); // same folder as the product file
    }
    return record;
}

std::string DownloadProductFile(std::string baseName, std::string uuid, std::string extension,
                                bool* downloaded) {
    const std::string folder = TemporaryFolder();
    if (downloaded != nullptr)
        *downloaded = false;
    if (uuid.empty()) {
        DBPrintf("Quorvel: \"%s.%s\" has no file on the file service; nothing downloaded\n", baseName.c_str(),
                 extension.c_str());
        return folder;
    }
    const auto name = LocalFileName(baseName, extension);
    if (!name) {
        DBPrintf("Quorvel: no file name can be made of \"%s.%s\"; nothing downloaded\n", baseName.c_str(),
                 extension.c_str());
        return folder;
    }
    const std::string url = FileServiceAddress(uuid);
    const std::string path = folder + "\\" + *name;
    // A failed download leaves the target as it was: a file there may be one the project uses
    // (an imported container is listed at this very path). The importers know it did not arrive.
    const HRESULT result = URLDownloadToFileA(nullptr, url.c_str(), path.c_str(), 0, nullptr);
    if (result != S_OK) {
        DBPrintf("Quorvel: download of %s to %s failed (0x%08X)\n", url.c_str(), path.c_str(),
                 unsigned(result));
        return folder;
    }
    if (downloaded != nullptr)
        *downloaded = true;
    return folder;
}

GSErrCode FindLibraryFolder(std::unique_ptr<IO::Location>& location) {
    location.reset();
    GS::Array<API_LibraryInfo> libraries;
    Int32 embeddedIndex = -1;
    if (GetLibraryList(libraries, &embeddedIndex) == NoError && embeddedIndex >= 0 &&
        UInt32(embeddedIndex) < libraries.GetSize()) {
        location = std::make_unique<IO::Location>(libraries[UInt32(embeddedIndex)].location);
        IO::Location folder = *location;
        if (folder.AppendToLocal(LibraryFolderName) == NoError) {
            const GSErrCode created = IO::fileSystem.CreateFolder(folder, IO::AccessDeniedQuiet);
            if (created == NoError || created == IO::ErrFolderExists)
                *location = folder;
        }
        return NoError;
    }

    libraries.Clear();
    if (GSErrCode code = GetLibraryList(libraries, nullptr); code != NoError)
        return code;
    IO::Location special;
    if (GSErrCode code = HostApi::GetSpecialFolder(SpecialFolderUserLibrary, &special); code != NoError)
        return code;
    if (special.AppendToLocal(LibraryFolderName) != NoError)
        return LibraryFolderUnusable;
    const IO::Folder folder(special, IO::Folder::Create);
    if (folder.GetStatus() != NoError || !folder.IsWriteable())
        return LibraryFolderUnusable;
    location = std::make_unique<IO::Location>(special);

    for (const auto& library : libraries)
        if (library.location == *location)
            return NoError;
    try {
        API_LibraryInfo added;
        added.location = *location;
        libraries.Push(std::move(added));
    } catch (const std::bad_alloc&) {
        return ErrOutOfMemory;
    }
    (void)HostApi::SetLibraryList(&libraries); // the folder is usable whether the host lists it or not
    return NoError;
}
