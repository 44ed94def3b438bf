#include "cli/ServedFiles.h"

#include <fstream>
#include <iterator>

namespace simhost {

namespace fs = std::filesystem;

std::optional<std::string> ReadServedFile(const fs::path& folder, const std::string& relative) {
    if (folder.empty() || relative.empty())
        return std::nullopt;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        std::string segment =
            relative.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (segment.empty() || segment[0] == '.' || segment.find('\\') != std::string::npos ||
            segment.find('\0') != std::string::npos)
            return std::nullopt;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    fs::path path = folder / relative;
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ContentType(const std::string& name, const std::string& bytes) {
    static const std::pair<const char*, const char*> byExtension[] = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json"},
        {".png", "image/png"},
        {".svg", "image/svg+xml"},
        {".jpg", "image/jpeg"},
        {".txt", "text/plain; charset=utf-8"}};
    std::string extension = fs::path(name).extension().string();
    for (const auto& [e, type] : byExtension)
        if (extension == e)
            return type;
    // The file service's files are named by their uuid alone: pictures are known by their bytes.
    if (bytes.rfind("\x89PNG\r\n\x1a\n", 0) == 0)
        return "image/png";
    if (bytes.rfind("\xff\xd8\xff", 0) == 0)
        return "image/jpeg";
    if (bytes.rfind("GIF8", 0) == 0)
        return "image/gif";
    return "application/octet-stream";
}

} // namespace simhost
