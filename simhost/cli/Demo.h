#pragma once

#include <iosfwd>
#include <string>

namespace simhost {

struct DemoOptions {
    std::string demoFolder; // holds demo.jsonl, sample-project.json, catalogue/ and files/
    std::string addOn;
    std::string save;
    bool json = false;
};

// `simhost demo`: runs the bundled demo script against the sample project with the local file
// service, then prints a readable summary (or, with `json`, the raw answer of every step) and
// saves the project. Answers the exit code: non-zero when the run or any step failed.
int RunDemo(const DemoOptions& options, std::ostream& out, std::ostream& err);

} // namespace simhost
