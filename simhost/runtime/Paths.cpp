#include "runtime/System.h"

#include "gs/System.h"

#include <stdexcept>

namespace simhost::sys {

std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent, const std::string& prefix) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        GS::RandomBytes(random, sizeof random);
        std::string name = prefix;
        for (unsigned char r : random)
            name.push_back(letters[r % (sizeof letters - 1)]);
        std::error_code error;
        const std::filesystem::path folder = parent / PathFromUtf8(name);
        if (std::filesystem::create_directory(folder, error))
            return folder;
        if (error)
            throw std::runtime_error("cannot make a folder in " + Utf8FromPath(parent) + ": " +
                                     error.message());
    }
    throw std::runtime_error("cannot make a folder of a new name in " + Utf8FromPath(parent));
}

} // namespace simhost::sys
