#pragma once

#include "api/ErrorCodes.h"
#include "gs/Types.h"
#include "import/PropertySets.h"
#include "io/Location.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <string>

// One product file: the local file's base name and extension, and its identifier on the file
// service.
struct FileRef {
    std::string name;
    std::string extension;
    std::string uuid;
    // The file is in the download folder, freshly fetched by this import.
    bool downloaded = false;
};

// What a library part importer works from. A value type: copies own their texts and map.
struct ProductRecord {
    std::string localFolder; // empty when nothing was downloaded
    FileRef file;            // the product file; its name is the product's name
    FileRef image;           // the picture; all empty when the product has none
    PropertySetMap properties;
};

// Reads a FAMILY_IMPORT or GENERIC_GEOMETRY_IMPORT product and downloads its files when it has a
// name. JSON shape errors leave as the JSON library's exceptions; a content type or picture name
// shorter than three characters raises std::out_of_range before anything is downloaded.
ProductRecord ReadProduct(nlohmann::json product);

// Downloads the file service's file `uuid` into the temporary folder ("TEMP", else "/tmp") as
// <baseName>.<extension> and answers the folder. `downloaded` (when given) tells whether the file
// arrived now. An empty uuid requests nothing; a failed download leaves any file of that name as
// it was.
std::string DownloadProductFile(std::string baseName, std::string uuid, std::string extension,
                                bool* downloaded = nullptr);

// The add-on's own answer (the code of its binding, no host's) for a library folder it cannot use.
inline constexpr GSErrCode LibraryFolderUnusable = ErrNotInitialised;

// The library folder where the add-on keeps its parts: the "Quorvel" folder of the project's
// embedded library (or that library itself when the folder cannot be made), else the "Quorvel"
// folder of the host's user library folder, added to the library list when missing. Answers 0 and
// a new location, LibraryFolderUnusable when that folder cannot be used, ErrOutOfMemory when the
// list cannot grow, or the host's code when the library list cannot be read.
GSErrCode FindLibraryFolder(std::unique_ptr<IO::Location>& location);

// The longest file name, in bytes, that the file systems files are written to take.
inline constexpr size_t MaxFileNameBytes = 255;
// The room a host keeps for the extension of a generated part's file (".gsm").
inline constexpr size_t GeneratedPartExtensionBytes = 3;

// The text cut to at most `bytes` bytes, never inside a UTF-8 sequence.
std::string CutUtf8(const std::string& text, size_t bytes);
// The one rule that makes a product text the base of a file name (a download's, a registered
// part's file name, a generated part's document name, which the host makes a file of), so that
// "<base>.<extension>" with an extension of `extensionBytes` bytes fits MaxFileNameBytes and any
// file system, Windows' included: a path separator, a control character, one of : * ? " < > |, a
// bidirectional control and every byte outside a valid UTF-8 sequence become "_"; a device name
// (CON, PRN, AUX, NUL, COM0-9, LPT0-9 and the like, with any extension, in any case) gets a
// leading "_", and trailing dots and spaces become "_". A name the rule changed, or had to cut,
// ends in a mark of the original name ("~" and 8 hexadecimal digits of its FNV-1a hash), so
// that two products never share a file and a product imported again finds its own; a name
// already safe keeps its plain file name.
std::string SafeHostFileBase(const std::string& name, size_t extensionBytes);

// The file name a downloaded file gets: "<base>.<extension>" with the base made safe by
// SafeHostFileBase and the extension by the same character rule (an extension that changed
// marks the base); nothing when the result would be no usable name.
std::optional<std::string> LocalFileName(const std::string& baseName, const std::string& extension);
std::optional<std::string> LocalFileName(const FileRef& file);
// localFolder + "\" + the local file name; nothing when the file has no usable name.
std::optional<std::string> LocalFilePath(const std::string& localFolder, const FileRef& file);

// The address of a file on the file service; the uuid is percent-encoded where it holds other
// than unreserved characters.
std::string FileServiceAddress(const std::string& uuid);
