// The import of a product's JSON text, against simhost with the add-on linked in: each input runs
// in a fresh host through the add-on's whole lifecycle. RunImport answers a result record or
// leaves with a JSON or host-library error; the sanitizers check the rest (leaks of host
// handles, overflows, undefined behaviour).
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "import/ImportDispatcher.h"
#include "runtime/Host.h"
#include "runtime/Session.h"
#include "support/InProcessAddOn.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Nothing leaves this machine: downloads go to a closed local port and fail at once.
    ::setenv("QUORVEL_FILE_SERVICE", "http://127.0.0.1:9", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    simhost::Host host;
    simhost::Session session(host);
    session.LoadInProcess(testing_support::InProcessAddOn());
    if (!session.RunLifecycle().completed)
        std::abort();
    const Int64 blocks = BM::LiveBlocks();
    try {
        RunImport(GS::UniString(std::string(reinterpret_cast<const char*>(data), size)));
        const std::string result = LastImportResultText.ToCStr();
        const nlohmann::json record = nlohmann::json::parse(result);
        if (!record.is_object() || !record.contains("Success") || !record.at("Success").is_boolean())
            std::abort();
    } catch (const std::exception&) {
        // JSON errors and host-library errors leave RunImport by design.
    }
    // Host memory handed out during the import is released on every path, failures included.
    if (BM::LiveBlocks() != blocks)
        std::abort();
    session.Unload(true);
    return 0;
}
