#pragma once

#include <string>

namespace simhost {

struct Project;

// Checks what the parts of a project read one by one cannot: that they agree with each other.
// Throws ProjectFileError naming `source` and the first disagreement found.
void CheckProjectConsistency(const Project& project, const std::string& source);

} // namespace simhost
