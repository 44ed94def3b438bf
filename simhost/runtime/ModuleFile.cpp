#include "runtime/ModuleFile.h"

#include "gs/Types.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>

namespace simhost {

namespace {

// Reads ranges of a file; every read answers false past the file's end or on an error.
class FileBytes {
public:
    explicit FileBytes(const std::string& path)
        : in(std::filesystem::path(reinterpret_cast<const char8_t*>(path.c_str())), std::ios::binary) {
        if (in) {
            in.seekg(0, std::ios::end);
            size = UInt64(in.tellg());
        }
    }
    bool Read(UInt64 at, UInt64 count, std::string& bytes) {
        if (!in || at > size || count > size - at ||
            count > UInt64(std::numeric_limits<std::streamsize>::max()))
            return false;
        bytes.resize(size_t(count));
        in.seekg(std::streamoff(at));
        in.read(bytes.data(), std::streamsize(count));
        return bool(in);
    }

private:
    std::ifstream in;
    UInt64 size = 0;
};

UInt64 Little(const std::string& bytes, size_t at, size_t width) {
    UInt64 value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= UInt64(UInt8(bytes[at + i])) << (8 * i);
    return value;
}

std::optional<std::string> ElfSection(FileBytes& file, const std::string& header, std::string_view name) {
    if (header.size() < 64 || header[4] != 2 || header[5] != 1) // 64-bit, little-endian
        return std::nullopt;
    const UInt64 sections = Little(header, 0x28, 8);
    const UInt64 entrySize = Little(header, 0x3A, 2), count = Little(header, 0x3C, 2);
    const UInt64 namesIndex = Little(header, 0x3E, 2);
    std::string table, names;
    if (entrySize < 64 || namesIndex >= count || !file.Read(sections, entrySize * count, table))
        return std::nullopt;
    auto entry = [&](UInt64 i, size_t field, size_t width) {
        return Little(table, size_t(i * entrySize) + field, width);
    };
    constexpr UInt64 NoBits = 8; // a section that takes no room in the file
    if (!file.Read(entry(namesIndex, 24, 8), entry(namesIndex, 32, 8), names))
        return std::nullopt;
    for (UInt64 i = 0; i < count; ++i) {
        const UInt64 at = entry(i, 0, 4);
        if (at >= names.size() || names.compare(size_t(at), name.size() + 1, std::string(name) + '\0') != 0)
            continue;
        std::string bytes;
        if (entry(i, 4, 4) == NoBits || !file.Read(entry(i, 24, 8), entry(i, 32, 8), bytes))
            return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

std::optional<std::string> PeSection(FileBytes& file, const std::string& header, std::string_view name) {
    std::string coff, table;
    const UInt64 signature = Little(header, 0x3C, 4);
    if (name.size() > 8 || !file.Read(signature, 24, coff) ||
        coff.compare(0, 4, std::string("PE\0\0", 4)) != 0)
        return std::nullopt;
    const UInt64 count = Little(coff, 6, 2), optionalSize = Little(coff, 20, 2);
    if (!file.Read(signature + 24 + optionalSize, 40 * count, table))
        return std::nullopt;
    for (UInt64 i = 0; i < count; ++i) {
        const size_t at = size_t(40 * i);
        const std::string sectionName = table.substr(at, 8).c_str(); // NUL-padded
        if (sectionName != name)
            continue;
        // The file's bytes are padded to the file alignment; the section's own size is its virtual one.
        const UInt64 size = std::min(Little(table, at + 8, 4), Little(table, at + 16, 4));
        std::string bytes;
        if (!file.Read(Little(table, at + 20, 4), size, bytes))
            return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ReadModuleSection(const std::string& path, std::string_view name) {
    FileBytes file(path);
    std::string header;
    if (file.Read(0, 64, header) && header.compare(0, 4,
                                                   "\x7F"
                                                   "ELF") == 0)
        return ElfSection(file, header, name);
    if (file.Read(0, 64, header) && header.compare(0, 2, "MZ") == 0)
        return PeSection(file, header, name);
    return std::nullopt;
}

} // namespace simhost
