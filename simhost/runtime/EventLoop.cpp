#include "runtime/EventLoop.h"

#include <deque>

namespace simhost {

namespace {

// Disposes of the lists of the commands it holds, also when a handler throws midway.
struct Batch {
    Host& host;
    std::deque<PostedCommand> commands;
    ~Batch() {
        for (const auto& c : commands)
            (void)host.paramLists.Dispose(c.params); // undelivered: the host frees what it owns
    }
};

} // namespace

std::vector<DeliveredCommand> DeliverPostedCommands(Host& host) {
    Batch batch{host, {}};
    batch.commands.swap(host.posted);
    std::vector<DeliveredCommand> delivered;
    while (!batch.commands.empty()) {
        PostedCommand command = batch.commands.front();
        batch.commands.pop_front();
        DeliveredCommand d{command.code, command.version, std::nullopt};
        const ModuleCommand* declared = host.addOn.FindCommand(command.code, command.version);
        bool addressed = host.addOnIdentifier &&
                         host.addOnIdentifier->developerID == command.target.developerID &&
                         host.addOnIdentifier->localID == command.target.localID;
        try {
            if (addressed && declared != nullptr && declared->handler != nullptr)
                d.result = CallAddOn(host, "the module-command handler",
                                     [&] { return declared->handler(command.params); });
        } catch (...) {
            (void)host.paramLists.Dispose(command.params); // delivered: freed even when the handler threw
            throw;
        }
        (void)host.paramLists.Dispose(command.params); // the host owns a list once it was posted
        delivered.push_back(d);
    }
    return delivered;
}

void DiscardPostedCommands(Host& host) {
    Batch batch{host, {}};
    batch.commands.swap(host.posted);
}

} // namespace simhost
