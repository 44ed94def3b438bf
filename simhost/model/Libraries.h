#pragma once

#include "gs/Types.h"

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <vector>

// simhost's library-part files
// ============================
// A library-part file (any extension; the add-on uses ".GSM", simhost saves ".gsm") is a JSON
// document:
//
//   {"format": "simhost-libpart", "version": 1,
//    "name": "Chair",                          the part's name (optional; else the file's stem)
//    "a": 1.0, "b": 1.0,                       the two fixed sizes, in metres
//    "parameters": [                           optional: no parameter section without it
//      {"type": 15|12|2, "name": "Q7_...",     title line, text, length; name at most 31 bytes
//       "description": "...", "flags": 0,
//       "value": "text" | 1.5,                 a text for type 12, a number for type 2
//       "values": ["..", ..]}],                instead of "value": an array parameter
//    "sections": [{"code": "3DSC", "subIdent": 0,
//                  "text": "..."  or  "hex": "00ff.."}]}   the bytes, as UTF-8 text or hexadecimal
//
// A library container (".lcf") is {"format": "simhost-container", "version": 1, "parts": [...]},
// each part an object as above without "format" and "version". Its parts become library parts
// of the project while the container is in the library list. Any other content is not a
// library-part file: registering it answers ErrBadFile. simhost/LIBRARY-PARTS.md says more.
namespace simhost {

struct LibraryParameter {
    Int32 type = 12;
    std::string name;
    std::string description;
    Int16 flags = 0;
    std::optional<std::string> text; // type 12 and others with a text
    double real = 0.0;
    std::optional<std::vector<std::string>> values; // array parameters
};

struct LibraryPartSection {
    GSType code = 0;
    Int16 subIdent = 0;
    std::string bytes;
};

struct LibraryPart {
    std::string name;
    std::string file;   // the part's file; empty for a part of a container
    std::string origin; // "registered", "created" or "container"
    UInt16 flags = 0;
    double a = 1.0, b = 1.0;
    std::optional<std::vector<LibraryParameter>> parameters; // none: no parameter section
    std::vector<LibraryPartSection> sections;

    const LibraryPartSection* FindSection(GSType code) const;
    LibraryPartSection* FindSection(GSType code);
};

struct LibraryEntry {
    std::string path;
    std::string name;
    bool container = false;
    std::vector<LibraryPart> parts; // a container's parts, read from its file
};

// The name the library list shows for the project's embedded library.
extern const char* const EmbeddedLibraryName;

struct Libraries {
    std::vector<LibraryEntry> list; // the active library list, but the embedded library
    std::string embeddedFolder;     // the project's embedded library; empty when it has none
    bool overwrite = false;         // library parts created overwrite existing ones
    std::vector<LibraryPart> parts; // registered and created parts, before the containers'

    // Every library part: own parts first, then those of the containers in list order; a part's
    // index is its position + 1.
    std::vector<const LibraryPart*> AllParts() const;
    LibraryPart* OwnPart(Int32 index);
    // The index of the first part of that name; 0 when no part has it.
    Int32 IndexOfPart(const std::string& name) const;
};

// Whether the file lies inside the folder (at any depth).
bool IsInsideFolder(const std::string& file, const std::string& folder);
// Whether the project's libraries keep anything inside the folder: a library of the list, the
// embedded library or a part's file.
bool LibrariesLieIn(const Libraries& libraries, const std::string& folder);

// Reads a library-part file; nothing when it is not one.
std::optional<LibraryPart> ReadLibraryPartFile(const std::string& path);
// Reads a container's parts; nothing when it is not one.
std::optional<std::vector<LibraryPart>> ReadContainerFile(const std::string& path);
// Writes the part's file atomically; false when it cannot be written.
bool WriteLibraryPartFile(const LibraryPart& part, const std::string& path);

nlohmann::json LibraryPartToJson(const LibraryPart& part);
// Throws std::runtime_error (or the JSON library's errors) for a malformed part.
LibraryPart LibraryPartFromJson(const nlohmann::json& j);

nlohmann::json LibrariesToJson(const Libraries& libraries);
// Throws ProjectFileError naming `source`.
Libraries LibrariesFromJson(const nlohmann::json& j, const std::string& source);

// A library part's name made safe as a file name: characters that cannot stand in one become "_",
// and a name longer than MaxSafeFileNameBytes bytes is cut to that (at a character boundary).
constexpr size_t MaxSafeFileNameBytes = 240;
std::string SafeFileName(const std::string& name);

} // namespace simhost

namespace simhost {

// The library part the add-on is creating, between CreateLibraryPart and SaveLibraryPart.
struct LibraryPartInProgress {
    LibraryPart part;
    std::string folder;
    Int32 index = 0; // the part it replaces, or the next free index
    bool replaces = false;
    std::optional<LibraryPartSection> openSection;
};

} // namespace simhost
