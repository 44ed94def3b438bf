#pragma once

#include "runtime/System.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
        : path(simhost::sys::MakeUniqueFolder(std::filesystem::temp_directory_path(), "quorvel-test-")) {}
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Paths in UTF-8, with the system's own separators (as the host and the add-on name files).
    std::string operator/(const std::string& name) const {
        return simhost::sys::Utf8FromPath((path / simhost::sys::PathFromUtf8(name)).make_preferred());
    }
    std::string Path() const { return simhost::sys::Utf8FromPath(path); }

    std::filesystem::path path;
};

// One folder for the whole test program, removed when the program ends.
inline const std::filesystem::path& ProgramTempFolder() {
    static TempFolder folder;
    return folder.path;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(simhost::sys::PathFromUtf8(path), std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(simhost::sys::PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace testing_support
