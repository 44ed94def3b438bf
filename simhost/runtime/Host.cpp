#include "runtime/Host.h"

#include "gs/AddOnCode.h"
#include "gs/Debug.h"
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "runtime/System.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace simhost {

namespace {
Host* current = nullptr;
}

void Violations::Record(const std::string& kind, const std::string& what) {
    for (auto& v : list)
        if (v.kind == kind && v.what == what) {
            ++v.count;
            return;
        }
    list.push_back({kind, what, 1});
}

std::vector<std::string> Violations::Lines() const {
    std::vector<std::string> lines;
    for (const auto& v : list)
        lines.push_back(v.kind + ": " + v.what +
                        (v.count > 1 ? " (" + std::to_string(v.count) + " times)" : ""));
    return lines;
}

Menu* AddOnRegistrations::FindMenu(Int16 id) {
    for (auto& m : menus)
        if (m.resourceId == id)
            return &m;
    return nullptr;
}

ModuleCommand* AddOnRegistrations::FindCommand(GSType code, Int32 version) {
    for (auto& c : commands)
        if (c.code == code && c.version == version)
            return &c;
    return nullptr;
}

Host::Host() {
    if (current != nullptr)
        throw std::logic_error("one simulated host per process");
    current = this;
    table = BuildFunctionTable();
    GS::SetDebugOutput([this](std::string_view text) { WriteDebug(text); });
    BM::SetMisuseHandler([this](const char* what) { violations.Record("memory manager", what); });
}

Host::~Host() {
    BM::SetMisuseHandler(nullptr);
    GS::SetDebugOutput(nullptr);
    current = nullptr;
    if (!sessionFolder.empty() && !keepSessionFolder) {
        std::error_code ignored;
        std::filesystem::remove_all(sessionFolder, ignored);
    }
}

const std::string& Host::SessionFolder() {
    if (sessionFolder.empty()) {
        sessionFolder = sys::Utf8FromPath(
            sys::MakeUniqueFolder(std::filesystem::temp_directory_path(), "simhost-session-"));
    }
    return sessionFolder;
}

void Host::Vary(UInt64 seed) {
    variance = HostVariance(seed);
    language = variance.language;
    project.attributes.AppendHoles(AttrTypeBuildingMaterial, variance.materialHoles);
    project.attributes.AppendHoles(AttrTypeComposite, variance.compositeHoles);
}

void Host::WriteDebug(std::string_view text) {
    pendingDebug.append(text);
    size_t start = 0;
    for (size_t nl; (nl = pendingDebug.find('\n', start)) != std::string::npos; start = nl + 1)
        debugLines.push_back(pendingDebug.substr(start, nl - start));
    pendingDebug.erase(0, start);
}

void Host::EmptySlot(HostOp op) {
    table.entries[HostOps[int(op)].slot] = nullptr;
}

std::optional<GSErrCode> Host::SendProjectEvent(Int32 event, Int32 param) {
    if (addOn.eventHandler == nullptr && (addOn.eventMask & event) != 0 && wakeAddOn)
        (void)wakeAddOn(); // a failed wake leaves no handler
    if (addOn.eventHandler == nullptr || (addOn.eventMask & event) == 0)
        return std::nullopt;
    return CallAddOn(*this, "the project-event handler (event " + std::to_string(event) + ")",
                     [&] { return addOn.eventHandler(event, param); });
}

std::vector<Host::SentEvent> Host::ReplaceProject(Project next, bool fromFile) {
    std::vector<SentEvent> sent;
    sent.push_back({ProjectEventClose, SendProjectEvent(ProjectEventClose, 0)});
    libraryPartInProgress.reset();
    project = std::move(next);
    project.attributes.AppendHoles(AttrTypeBuildingMaterial, variance.materialHoles);
    project.attributes.AppendHoles(AttrTypeComposite, variance.compositeHoles);
    const Int32 opened = fromFile ? ProjectEventOpen : ProjectEventNew;
    sent.push_back({opened, SendProjectEvent(opened, 0)});
    return sent;
}

Host& CurrentHost() {
    if (current == nullptr)
        throw std::logic_error("no simulated host");
    return *current;
}

bool HasCurrentHost() {
    return current != nullptr;
}

} // namespace simhost
