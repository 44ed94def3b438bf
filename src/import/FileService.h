#pragma once

#include <string>

// The Quorvel file service's base address (scheme, host and port, no trailing "/"): the value of
// the environment variable QUORVEL_FILE_SERVICE when it is set and not empty, else the production
// address. Read at every use, so a host may point it elsewhere before the add-on loads.
std::string FileServiceBaseAddress();

inline constexpr const char* FileServiceVariable = "QUORVEL_FILE_SERVICE";
inline constexpr const char* ProductionFileService = "https://files.quorvel.com";
