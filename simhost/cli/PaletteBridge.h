#pragma once

#include "cli/EventLog.h"
#include "cli/MainThreadHandOff.h"
#include "cli/Script.h"

#include <nlohmann/json.hpp>

#include <string>

namespace simhost {

// The toolkit's script bridge of the palette's browser, served to a real browser: the web
// application's pages get it before their own scripts, as the palette's browser has the
// registered objects before the page runs, and the page's calls of their functions come back
// here to run in the add-on.

// The page with the bridge's script tag at the start of its head.
std::string WithBridge(const std::string& page, const std::string& token);

// The script objects the add-on registered on its palette's browser, each with the names of its
// functions; an empty object when there is no such browser.
nlohmann::json RegisteredObjects(const Host& host);

// The bridge script, handed the registered objects.
std::string BridgeScript(const std::string& script, const nlohmann::json& objects);

// The page's call of a function of a registered script object ({"function", "object"?, "arg"?}),
// carried out as a `call` step and written to the log: 200 with the value or the script error,
// 409 when no palette is open, 400 for a malformed call.
HostAnswer BridgeCall(StepContext& context, EventLog& log, const nlohmann::json& request);

} // namespace simhost
