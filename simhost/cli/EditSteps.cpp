// Steps of a person editing the project in the host, and opening another project: each prints
// the host's code as its "result".
#include "cli/Script.h"
#include "model/Project.h"
#include "model/ProjectEdits.h"

#include <map>

namespace simhost {

using nlohmann::json;

namespace {

Int32 AttributeKind(const json& step) {
    static const std::map<std::string, Int32> kinds = {{"material", AttrTypeBuildingMaterial},
                                                       {"composite", AttrTypeComposite}};
    const std::string kind = TextField(step, "kind");
    auto found = kinds.find(kind);
    if (found == kinds.end())
        throw ScriptError("field \"kind\" must be material or composite, not \"" + kind + "\"");
    return found->second;
}

json Result(GSErrCode code) {
    return {{"result", code}};
}

// {"step":"delete","attribute":NAME,"kind":KIND} or {"step":"delete","element":ID}.
json Delete(StepContext& c, const json& step) {
    const bool attribute = step.contains("attribute"), element = step.contains("element");
    if (attribute == element)
        throw ScriptError("a delete step has either \"attribute\" (with \"kind\") or \"element\"");
    if (element)
        return Result(DeleteElement(c.host.project, TextField(step, "element")));
    return Result(DeleteAttribute(c.host.project, AttributeKind(step), TextField(step, "attribute")));
}

json Rename(StepContext& c, const json& step) {
    return Result(RenameAttribute(c.host.project, AttributeKind(step), TextField(step, "attribute"),
                                  TextField(step, "to")));
}

json RemoveLibraryStep(StepContext& c, const json& step) {
    return Result(RemoveLibrary(c.host.project, TextField(step, "name")));
}

json DeleteLibraryPartStep(StepContext& c, const json& step) {
    return Result(DeleteLibraryPart(c.host.project, TextField(step, "name")));
}

// {"step":"open"} closes the project and opens a new empty one; {"step":"open","project":FILE}
// opens that project file. A file that cannot be read leaves the open project as it is.
json Open(StepContext& c, const json& step) {
    Project next;
    const bool fromFile = step.contains("project");
    if (fromFile) {
        std::filesystem::path file(TextField(step, "project"));
        if (file.is_relative())
            file = c.scriptFolder / file;
        try {
            next = LoadProjectFile(file.lexically_normal().string());
        } catch (const ProjectFileError& e) {
            throw StepError(e.what());
        }
    }
    json events = json::array();
    for (const auto& sent : c.host.ReplaceProject(std::move(next), fromFile))
        events.push_back(
            {{"event", sent.event}, {"result", sent.result ? json(*sent.result) : json(nullptr)}});
    return {{"result", NoError}, {"events", events}};
}

const bool editStepsRegistered = RegisterStep("delete", Delete) && RegisterStep("rename", Rename) &&
                                 RegisterStep("removeLibrary", RemoveLibraryStep) &&
                                 RegisterStep("deleteLibraryPart", DeleteLibraryPartStep) &&
                                 RegisterStep("open", Open);

} // namespace
} // namespace simhost
