#pragma once

#include "runtime/FileService.h"
#include "runtime/Host.h"
#include "runtime/Session.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace simhost {

// What `run` and `serve` set up before the first step: the project opened, the local file service
// started (before the add-on loads: it reads the service's address from the environment once),
// the add-on loaded and taken through its lifecycle. Destruction frees and unloads the add-on.
class SetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HostedAddOnOptions {
    std::string project; // empty: a new empty project
    std::string addOn;
    std::string filesFolder; // empty: no local file service
    HostCosts costs;
    std::optional<UInt64> variance; // the seed of a host that varies within its contract
};

class HostedAddOn {
public:
    // Raises SetupError with the reason; an add-on whose lifecycle stopped is unloaded again.
    explicit HostedAddOn(const HostedAddOnOptions& options);
    HostedAddOn(const HostedAddOn&) = delete;
    HostedAddOn& operator=(const HostedAddOn&) = delete;

    // The end of a run or a serve: frees and unloads the add-on, writes to `err` every misuse of
    // the host it made (memory it never released included), saves the project to `saveTo` when one
    // is named, and writes the host's debug output to `debugLog` when one is named. Answers false,
    // having written why to `err`, when the project could not be saved.
    bool End(const std::string& saveTo, const std::string& debugLog, std::ostream& err);

    const Int64 liveBlocksAtStart; // of the host's memory manager, before the add-on loads
    Host host;
    std::unique_ptr<LocalFileService> files;
    Session session{host};
};

// A hosted add-on, or none after writing the reason to `err`.
std::unique_ptr<HostedAddOn> StartHostedAddOn(const HostedAddOnOptions& options, std::ostream& err);

// Writes the host's debug output so far, the unfinished last line included, to the file.
void WriteDebugLog(const Host& host, const std::string& path);

} // namespace simhost
