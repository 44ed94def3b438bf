#pragma once

#include "validate/Validator.h"

#include <iosfwd>
#include <string>

namespace simhost::validate {

struct ValidateOptions {
    Options options;
    Selection selection;
    bool list = false;
    bool listJson = false;
    std::string jsonFile; // "-": the JSON report goes to standard output instead of the text report
    bool seedGiven = false;
    // The text report goes to a terminal: a status line shows the check running and its progress.
    bool progress = false;
};

// `simhost validate`: runs the chosen checks, each in a child of its own, and reports them;
// answers the exit code (0, 1 when a check failed, crashed or timed out, 2 for a usage error).
int RunValidate(ValidateOptions options, std::ostream& out, std::ostream& err);

} // namespace simhost::validate
