#include "import/ProductPayload.h"

#include "api/ErrorCodes.h"
#include "api/LibraryRecords.h"
#include "api/Selectors.h"
#include "gs/Debug.h"
#include "gs/UniString.h"
#include "host/HostApi.h"
#include "import/FileService.h"
#include "io/File.h"
#include "net/Download.h"
#include "os/Environment.h"

#include <cstdio>
#include <new>
#include <string_view>

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

// The byte length of the UTF-8 sequence at text[i], 0 when none starts there (a stray
// continuation byte, an overlong form, a surrogate, beyond U+10FFFF, or cut short); its code
// point in `codePoint`.
size_t Utf8Sequence(std::string_view text, size_t i, UInt32& codePoint) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    UInt32 minimum = 0;
    if (lead < 0x80)
        return codePoint = lead, 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    else
        return 0;
    if (text.size() - i < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

// Characters that change how the text around them is shown: a name holding them can show as
// another name.
bool IsBidirectionalControl(UInt32 c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// A file name is made of the product's texts, which come from the web. Each of these becomes
// "_": a path separator ("/" or "\"), NUL or another control character (below 0x20, and 0x7F),
// one of : * ? " < > | (refused by some file systems), a bidirectional control, and every byte
// that is not part of a valid UTF-8 sequence (the rules that take the last characters of a text
// count bytes). Other characters stay as they are.
std::string SafeFileText(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        UInt32 c = 0;
        const size_t length = Utf8Sequence(text, i, c);
        const bool unsafe = length == 0 || c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' ||
                            c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' ||
                            IsBidirectionalControl(c);
        if (unsafe)
            safe.push_back('_');
        else
            safe.append(text.substr(i, length));
        i += length == 0 ? 1 : length;
    }
    return safe;
}

// Windows opens a device, not a file, for these names, with any extension and in any case.
bool IsDeviceName(const std::string& base) {
    std::string stem = base.substr(0, base.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices)
        if (stem == device)
            return true;
    if (stem.size() < 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0))
        return false;
    const std::string number = stem.substr(3);
    // A digit, or a superscript one, two or three.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

// "~" and 8 hexadecimal digits.
constexpr size_t MarkBytes = 9;

// The mark of a name that had to change: FNV-1a of its bytes, so that the same product gets the
// same file name every time and different products different ones.
std::string Mark(std::string_view original) {
    UInt32 hash = 2166136261u;
    for (char c : original) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    char text[MarkBytes + 1];
    std::snprintf(text, sizeof text, "~%08x", unsigned(hash));
    return text;
}

// A name that ends as a marked one does would be taken for one: it is marked itself.
bool LooksMarked(std::string_view base) {
    if (base.size() < MarkBytes || base[base.size() - MarkBytes] != '~')
        return false;
    for (char c : base.substr(base.size() - MarkBytes + 1))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// The safe base of a file name; `markOf` is the text the mark is made of, and `changedBeyond`
// tells that making the rest of the file name safe changed it.
std::string SafeBase(const std::string& name, size_t extensionBytes, std::string_view markOf,
                     bool changedBeyond) {
    const size_t room = MaxFileNameBytes > extensionBytes ? MaxFileNameBytes - extensionBytes - 1 : 0;
    std::string safe = SafeFileText(name);
    if (IsDeviceName(safe))
        safe.insert(0, "_");
    // Windows drops them, and a name of dots alone would name a folder.
    for (size_t i = safe.size(); i > 0 && (safe[i - 1] == '.' || safe[i - 1] == ' '); --i)
        safe[i - 1] = '_';
    if (safe == name && !changedBeyond && safe.size() <= room && !LooksMarked(safe))
        return safe;
    return CutUtf8(safe, room > MarkBytes ? room - MarkBytes : 0) + Mark(markOf);
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

// In UTF-8, as the file names joined to it: a user's folder outside the ANSI code page survives.
std::string TemporaryFolder() {
    return OS::EnvironmentValue("TEMP").value_or("/tmp");
}

// Downloads `url` to `path` (in the host's form). A failed download leaves the target as it was:
// a file there may be one the project uses (an imported container is listed at this very path),
// and the importers know it did not arrive. So the data go to a file of a name of its own beside
// the target and take its place only once they arrived: the system's function may write the
// target as the data come (urlmon does), or answer success without writing it (Wine's does, for
// some names), or answer success with an empty file when the server answered an error or nobody
// listened (Wine's does): no product file is empty, so an empty one did not arrive. The wide
// function: a name outside the ANSI code page would not survive the 8-bit one.
HRESULT DownloadInPlace(const std::string& url, const std::string& path) {
    const std::string target = IO::HostPathToNative(path);
    std::string temporary;
    std::FILE* reserved = IO::CreateFileBeside(target, temporary);
    if (reserved == nullptr)
        return E_FAIL;
    std::fclose(reserved);
    IO::Discard(temporary); // the name stays this download's: the function makes the file anew
    const std::wstring wideUrl = GS::Utf8ToWide(url), wideTemporary = GS::Utf8ToWide(temporary);
    HRESULT result = URLDownloadToFileW(nullptr, wideUrl.c_str(), wideTemporary.c_str(), 0, nullptr);
    UInt64 length = 0;
    if (result == S_OK &&
        (IO::File(IO::Location(temporary)).GetDataLength(&length) != NoError || length == 0))
        result = E_FAIL;
    if (result != S_OK) {
        IO::Discard(temporary);
        return result;
    }
    return IO::PutInPlace(temporary, target) == NoError ? S_OK : E_FAIL;
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

std::string SafeHostFileBase(const std::string& name, size_t extensionBytes) {
    return SafeBase(name, extensionBytes, name, false);
}

std::optional<std::string> LocalFileName(const std::string& baseName, const std::string& extension) {
    const std::string safeExtension = SafeFileText(extension);
    if (safeExtension.size() + 1 + MarkBytes > MaxFileNameBytes)
        return std::nullopt;
    // An extension that had to change is marked in the base, with the name it was part of.
    const bool extensionChanged = safeExtension != extension;
    const std::string base =
        SafeBase(baseName, safeExtension.size(), extensionChanged ? baseName + "." + extension : baseName,
                 extensionChanged);
    const std::string name = base + "." + safeExtension;
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
    const HRESULT result = DownloadInPlace(url, path);
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
