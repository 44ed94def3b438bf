#pragma once

#include "runtime/HostCosts.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace simhost {

struct ServeOptions {
    std::string project;            // open this project file; empty: a new empty project
    std::string save;               // save here (on request and on exit); empty: to `project`, if any
    std::string addOn;              // the add-on module
    std::string filesFolder;        // the add-on's file service, and the catalogue's pictures
    std::string webFolder;          // the web application shown in the palette
    std::string catalogueFolder;    // the product files the web application offers
    std::string hostPageFolder;     // the host's own page around the palette
    std::string debugLog;           // write the host's debug output here on exit
    int port = 0;                   // 0: any free port
    HostCosts costs;                // --host-cost
    std::optional<UInt64> variance; // the seed of a host that varies within its contract
};

// `simhost serve`: loads the add-on and runs its lifecycle, opens the project, and serves on
// 127.0.0.1 a page that is the host's window: the palette with the web application in its
// browser, whose script calls reach the add-on's script object, and beside it the project as the
// host holds it. Prints the page's address (with the run's token) and serves until interrupted
// or asked to quit; then saves the project when a file was named, frees and unloads the add-on.
// Answers the exit code.
int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err);

} // namespace simhost
