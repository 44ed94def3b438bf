// The standard session in a project a person edits between the page's calls: each edit is made
// the way a user makes it in the host, and each answer after it is checked against what the edit
// did to the project.
#include "validate/AddOnSession.h"
#include "validate/Checks.h"
#include "validate/Samples.h"
#include "validate/Validator.h"

#include <algorithm>
#include <cstdio>

namespace simhost::validate {

using nlohmann::json;

namespace {

const json& SampleChairProduct() {
    for (const auto& sample : SampleProducts())
        if (sample.product.value("name", std::string()) == "Validate Chair")
            return sample.product;
    throw std::logic_error("no sample chair");
}

const char* const SampleWall = "Validate Wall 300";
const char* const SampleChair = "Validate Chair";
// The folder library the add-on keeps its library parts in, as the library list names it.
const char* const AddOnLibrary = "Quorvel";

struct Usage {
    std::string uuid;
    Int32 elements = 0;
    double area = 0;
};

// A usage list ("Materials", "Types", "Families") of an export answer; nothing when the answer
// is not an export with that list.
std::optional<std::vector<Usage>> UsageList(const json& line, const char* kind) {
    if (!line.contains("value") || !line["value"].is_string())
        return std::nullopt;
    const json exported = json::parse(line["value"].get<std::string>(), nullptr, false);
    if (exported.is_discarded() || !exported.contains("ImportedData") ||
        !exported["ImportedData"].contains(kind) || !exported["ImportedData"][kind].is_array())
        return std::nullopt;
    std::vector<Usage> list;
    for (const auto& u : exported["ImportedData"][kind])
        list.push_back(
            {u.value("Uuid", std::string()), u.value("NumOfElements", 0), u.value("TotalArea", 0.0)});
    return list;
}

std::vector<Usage> Listed(const std::vector<Usage>& list, const std::string& uuid) {
    std::vector<Usage> found;
    std::copy_if(list.begin(), list.end(), std::back_inserter(found),
                 [&](const Usage& u) { return u.uuid == uuid; });
    return found;
}

std::string IdentifierText(size_t tagged) {
    char text[32];
    std::snprintf(text, sizeof text, "QV_%03zu", tagged);
    return text;
}

// The identifier text of each building material the host holds, by name.
std::map<std::string, std::string> MaterialIdentifiers(AddOnSession& s) {
    std::map<std::string, std::string> ids;
    const json state = s.Step({{"step", "state"}});
    for (const auto& m : state["project"]["attributes"]["buildingMaterials"])
        if (m.is_object())
            ids[m.value("name", std::string())] = m.value("id", std::string());
    return ids;
}

json Overview(const json& line) {
    if (!line.contains("value") || !line["value"].is_string() || line["value"] == "")
        return nullptr;
    return json::parse(line["value"].get<std::string>(), nullptr, false);
}

json Material(const std::string& name, const std::string& uuid) {
    return {{"importType", "MATERIAL_IMPORT"}, {"name", name}, {"uuid", uuid}, {"supplier", {{"name", "S"}}}};
}

} // namespace

CheckResult HostEdits(CheckContext& c) {
    AddOnSession s(c.options);
    if (auto stopped = s.StartWithPalette())
        return *stopped;
    std::vector<std::string>& problems = s.problems;
    auto edit = [&](const json& step) {
        const json line = s.Step(step);
        if (line.value("result", -1) != 0)
            problems.push_back("the host could not make the edit " + step.dump() + ": " + line.dump());
    };
    auto exportNow = [&] { return s.Call("export", "PROJECT_INFO"); };

    s.Step({{"step", "projectEvent"}, {"code", 1}, {"param", 0}});
    const json first = Overview(s.Call("getNewlyLoadedProjectOverview"));
    for (const auto& sample : SampleProducts())
        s.Call("import", sample.product.dump());
    s.Step({{"step", "place"},
            {"type", "wall"},
            {"attribute", SampleMaterialName},
            {"kind", "material"},
            {"area", 12.5},
            {"id", "validate-wall"}});
    s.Step(
        {{"step", "place"}, {"type", "wall"}, {"attribute", SampleWall}, {"kind", "composite"}, {"area", 4}});
    s.Step({{"step", "place"}, {"type", "object"}, {"libraryPart", SampleChair}, {"area", 0}});
    const json before = exportNow();
    const auto materials = UsageList(before, "Materials");
    const auto families = UsageList(before, "Families");
    if (!materials || !families) {
        s.Finish();
        return s.EndedEarly(Outcome::Skipped,
                            "the add-on's export lists no imported products: no edit shows in it");
    }
    const std::string sampleUuid = SampleProducts().front().product["uuid"];
    const auto sample = Listed(*materials, sampleUuid);
    if (sample.empty())
        problems.push_back("the export does not list the imported sample material");
    const std::string chairUuid = SampleChairProduct()["uuid"];
    if (Listed(*families, chairUuid).empty())
        problems.push_back("the export does not list the imported sample chair");

    // A deleted element no longer counts.
    edit({{"step", "delete"}, {"element", "validate-wall"}});
    const auto afterElement = UsageList(exportNow(), "Materials");
    const auto sampleAfter = afterElement ? Listed(*afterElement, sampleUuid) : std::vector<Usage>{};
    if (!sample.empty() && (sampleAfter.empty() || sampleAfter[0].elements != sample[0].elements - 1 ||
                            sampleAfter[0].area != sample[0].area - 12.5))
        problems.push_back("after its wall was deleted the sample material is listed with " +
                           (sampleAfter.empty() ? std::string("nothing")
                                                : std::to_string(sampleAfter[0].elements) + " elements, " +
                                                      std::to_string(sampleAfter[0].area)) +
                           " instead of one element and 12.5 less");

    // A deleted tagged material is no longer listed, nor counted in the next identifier text.
    edit({{"step", "delete"}, {"attribute", SampleMaterialName}, {"kind", "material"}});
    const auto afterDelete = UsageList(exportNow(), "Materials");
    if (!afterDelete || !Listed(*afterDelete, sampleUuid).empty())
        problems.push_back("the deleted sample material is still listed in the export");
    const size_t tagged = afterDelete ? afterDelete->size() : 0;
    s.Call("import", Material("Validate Clay", "validate-clay").dump());
    if (const std::string id = MaterialIdentifiers(s)["Validate Clay"]; id != IdentifierText(tagged + 1))
        problems.push_back("a material imported after the tagged one was deleted is numbered \"" + id +
                           "\" instead of \"" + IdentifierText(tagged + 1) + "\"");

    // A renamed material is the host's own now: the product imported again is a new material.
    edit({{"step", "rename"},
          {"attribute", "Validate Clay"},
          {"kind", "material"},
          {"to", "Validate Clay 1"}});
    s.Call("import", Material("Validate Clay", "validate-clay").dump());
    const auto ids = MaterialIdentifiers(s);
    if (!ids.contains("Validate Clay") || !ids.contains("Validate Clay 1"))
        problems.push_back("the product imported again after its material was renamed made no new material");
    const auto afterRename = UsageList(exportNow(), "Materials");
    if (!afterRename || Listed(*afterRename, "validate-clay").size() != 2)
        problems.push_back("the renamed material and the new one are not both listed for their product");

    // A removed library's tagged parts leave the usage; objects of them stay and count for nothing.
    edit({{"step", "removeLibrary"}, {"name", AddOnLibrary}});
    const auto afterLibrary = UsageList(exportNow(), "Families");
    if (!afterLibrary)
        problems.push_back("no export after the library was removed");
    else
        for (const auto& sampleProduct : SampleProducts()) {
            const std::string uuid = sampleProduct.product["uuid"].is_string()
                                         ? sampleProduct.product["uuid"].get<std::string>()
                                         : std::string();
            if (sampleProduct.product["importType"] != "MATERIAL_IMPORT" && !uuid.empty() &&
                sampleProduct.kind != "family with a library container" &&
                !Listed(*afterLibrary, uuid).empty())
                problems.push_back("the " + sampleProduct.kind +
                                   " is still listed after its library was removed");
        }

    // Another project: its own identity, its own overview, once, and nothing of the first.
    edit({{"step", "open"}});
    const json second = Overview(s.Call("getNewlyLoadedProjectOverview"));
    if (!second.is_object())
        problems.push_back("no overview for the project opened next");
    else if (first.is_object() && (second.value("project_guid", std::string()).empty() ||
                                   second["project_guid"] == first["project_guid"]))
        problems.push_back("the project opened next has the identity " + second["project_guid"].dump() +
                           " (the first had " + first["project_guid"].dump() + ")");
    if (Overview(s.Call("getNewlyLoadedProjectOverview")).is_object())
        problems.push_back("the overview of the project opened next is answered twice");
    const json fresh = exportNow();
    for (const char* kind : {"Materials", "Types", "Families"})
        if (const auto list = UsageList(fresh, kind); !list || !list->empty())
            problems.push_back(std::string("the new project's export lists ") + kind + " of the first");
    if (s.Call("getRevitSelection").value("value", json()) != "[]")
        problems.push_back("the new project's selection is not empty");
    s.Call("import", Material("Validate Sand", "validate-sand").dump());
    if (const std::string id = MaterialIdentifiers(s)["Validate Sand"]; id != IdentifierText(1))
        problems.push_back("the first material of the new project is numbered \"" + id + "\"");

    s.Finish();
    return FromProblems(problems, "the standard session with edits");
}

} // namespace simhost::validate
