#include "import/FileService.h"

#include <cstdlib>

std::string FileServiceBaseAddress() {
    const char* configured = std::getenv(FileServiceVariable);
    std::string address = configured && *configured ? configured : ProductionFileService;
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}
