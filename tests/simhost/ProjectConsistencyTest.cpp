// Project files whose parts disagree with each other are refused, naming the file and the fault,
// and a refused file is never saved over.
#include "cli/Script.h"
#include "model/Project.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

using nlohmann::json;
using testing_support::ReadFile;
using testing_support::TempFolder;
using testing_support::WriteFile;

namespace {

std::string G(int n) {
    char text[37];
    std::snprintf(text, sizeof text, "%08X-0000-4000-8000-%012X", n, n);
    return text;
}

// A consistent project: two materials, a composite of both, a classification tree, a wall and a
// slab of the materials and a roof of the composite, one selected.
json Consistent() {
    return {
        {"format", "simhost-project"},
        {"version", 1},
        {"autotexts", {{{"name", "QV_GUID"}, {"identity", G(100)}, {"value", "v"}}}},
        {"attributes",
         {{"classificationSystems",
           {{{"guid", G(1)},
             {"name", "Quorvel"},
             {"items",
              {{{"guid", G(2)}, {"id", "A"}, {"parent", "00000000-0000-0000-0000-000000000000"}},
               {{"guid", G(3)}, {"id", "A.1"}, {"parent", G(2)}}}}}}},
          {"buildingMaterials", {{{"guid", G(6)}, {"name", "Wool"}}, {{"guid", G(7)}, {"name", "Brick"}}}},
          {"composites",
           {{{"guid", G(11)},
             {"name", "Roof build-up"},
             {"structureKind", 4},
             {"skins",
              {{{"buildingMaterial", 1}, {"thickness", 0.1}}, {{"buildingMaterial", 2}, {"thickness", 0.2}}}},
             {"lines", {json::object(), json::object(), json::object()}}}}}}},
        {"elements",
         {{{"guid", G(8)}, {"type", 1}, {"wallAttribute", 2}, {"area", 12.5}},
          {{"guid", G(9)}, {"type", 8}, {"slabAttribute", 1}, {"area", 3.0}},
          {{"guid", G(10)},
           {"type", 9},
           {"roofAttribute", 1}, // made of a composite: its reference names it, its skins the materials
           {"composite",
            {{{"buildingMaterial", 1}, {"area", 2.0}}, {{"buildingMaterial", 2}, {"area", 2.0}}}}}}},
        {"libraries", {{"specialFolders", {{"1", "/a"}, {"12", "/b"}}}}},
        {"selection", {G(9)}}};
}

struct Case {
    const char* what;
    json::json_pointer at;
    json value;
    const char* fault;
};

} // namespace

TEST(ProjectConsistency, AConsistentProjectIsReadAndReadsBackTheSame) {
    simhost::Project p = simhost::ProjectFromJson(Consistent(), "p.json");
    EXPECT_EQ(p.elements.elements.size(), 3u);
    simhost::Project back = simhost::ProjectFromJson(simhost::ProjectToJson(p), "back.json");
    EXPECT_EQ(simhost::ProjectToJson(back), simhost::ProjectToJson(p));
}

TEST(ProjectConsistency, DisagreeingPartsAreRefusedNamingFileAndFault) {
    const Case cases[] = {
        {"a wall on a material that does not exist", "/elements/0/wallAttribute"_json_pointer, 3,
         "elements[0].wallAttribute refers to building material 3, which does not exist"},
        {"a slab on a negative attribute", "/elements/1/slabAttribute"_json_pointer, -1,
         "elements[1].slabAttribute is negative"},
        {"an extra reference to nothing", "/elements/1/extraAttribute"_json_pointer, 5,
         "elements[1].extraAttribute refers to building material 5"},
        {"a roof on a composite that does not exist", "/elements/2/roofAttribute"_json_pointer, 2,
         "elements[2].roofAttribute refers to composite 2, which does not exist"},
        {"an element made of something unknown", "/elements/2/structure"_json_pointer, "brick",
         "elements[2].structure is neither"},
        {"a negative area", "/elements/0/area"_json_pointer, -2.0, "elements[0] has a negative area"},
        {"a wall naming a library part", "/elements/0/libraryPart"_json_pointer, 1,
         "elements[0] is not an object but names library part 1"},
        {"a selection of a missing element", "/selection/0"_json_pointer, G(55),
         "selection[0] names no element"},
        {"an element twice", "/elements/1/guid"_json_pointer, G(8), "elements[1] repeats the guid"},
        {"a classification cycle", "/attributes/classificationSystems/0/items/0/parent"_json_pointer, G(3),
         "has a cycle of parents"},
        {"an autotext posing as a built-in", "/autotexts/0/identity"_json_pointer,
         "00000000-0000-0000-0000-000000000002",
         "takes the identity of the built-in autotext \"Project Number\""},
        {"two materials of one guid", "/attributes/buildingMaterials/1/guid"_json_pointer, G(6),
         "repeats the guid"},
    };
    TempFolder folder;
    const std::string file = folder / "bad.json";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        json document = Consistent();
        document[c.at] = c.value;
        const std::string text = document.dump(1);
        WriteFile(file, text);
        try {
            simhost::LoadProjectFile(file);
            ADD_FAILURE() << "accepted";
        } catch (const simhost::ProjectFileError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(file + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(c.fault), std::string::npos) << message;
        }
        EXPECT_EQ(ReadFile(file), text);
    }
}

// simhost run --project F --save F with a refused F stops before the add-on loads and leaves F.
TEST(ProjectConsistency, SimhostRunNeverSavesOverAProjectItRefused) {
    TempFolder folder;
    const std::string project = folder / "p.json";
    json document = Consistent();
    document["elements"][0]["wallAttribute"] = 40;
    const std::string text = document.dump(2);
    WriteFile(project, text);
    WriteFile(folder / "s.jsonl", "{\"step\":\"state\"}\n");
    simhost::RunOptions options;
    options.script = folder / "s.jsonl";
    options.project = project;
    options.save = project;
    options.addOn = folder / "no-such-addon.so";
    std::ostringstream out, err;
    EXPECT_EQ(simhost::RunScript(options, out, err), 1);
    EXPECT_NE(err.str().find(project + ": elements[0].wallAttribute refers to building material 40"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(ReadFile(project), text);
}
