#include "export/ProjectInfoExporter.h"
#include "export/JsonText.h"
#include "import/ImportDispatcher.h"
#include "support/ImportMaterial.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

// The unity build compiles this file with others of its folder; its helpers keep their own names.
namespace project_info_exporter_test {

using nlohmann::json;
using testing_support::ImportMaterial;
using testing_support::InProcessHost;

namespace {

Int32 MaterialIndex(const InProcessHost& h, const std::string& name) {
    const auto& materials = h.host.project.attributes.buildingMaterials;
    for (size_t i = 0; i < materials.size(); ++i)
        if (materials[i].name == name)
            return Int32(i + 1);
    return 0;
}

void PlaceWall(InProcessHost& h, Int32 attribute, double area) {
    simhost::Element e;
    e.guid = GS::Guid::Generate();
    e.type = 1;
    e.wallAttribute = attribute;
    e.area = area;
    h.host.project.elements.elements.push_back(e);
}

std::string Text() {
    return GetProjectInfoText().ToCStr(CC_UTF8);
}

} // namespace

TEST(ProjectInfo, NothingTaggedGivesThreeEmptyListsAndTheWholeOverview) {
    InProcessHost h;
    h.host.project.autotexts.push_back({"QV_GUID", GS::Guid::Generate(), "G-7"});
    h.host.project.info.name = "Depot";
    EXPECT_EQ(Text(), R"({"ImportedData":{"Families":[],"Materials":[],"Types":[]},)"
                      R"("Overview":{"address":"n\\a","author":"n\\a","issue_date":"n\\a","name":"Depot",)"
                      R"("number":"n\\a","organization":"n\\a","project_guid":"G-7","status":"n\\a"}})");

    ProjectInfoExporter exporter;
    json info = exporter.BuildProjectInfo();
    EXPECT_EQ(exporter.lastOverview, info.at("Overview"));
}

TEST(ProjectInfo, UsageObjectsHoldExactlyFourKeysInListOrder) {
    InProcessHost h;
    ImportMaterial("Clay", "101");
    ImportMaterial("Lime", "102");
    PlaceWall(h, MaterialIndex(h, "Lime"), 12.0);
    PlaceWall(h, MaterialIndex(h, "Lime"), 0.5);

    std::string text = Text();
    EXPECT_NE(
        text.find(R"("Materials":[{"NumOfElements":0,"SuplierData":false,"TotalArea":0.0,"Uuid":"101"},)"
                  R"({"NumOfElements":2,"SuplierData":false,"TotalArea":12.5,"Uuid":"102"}])"),
        std::string::npos)
        << text;
    json info = json::parse(text);
    for (const auto& usage : info["ImportedData"]["Materials"])
        EXPECT_EQ(usage.size(), 4u);
}

TEST(ProjectInfo, OneExportWalksTheElementsOnce) {
    InProcessHost h;
    for (int i = 0; i < 5; ++i)
        ImportMaterial("M" + std::to_string(i), std::to_string(200 + i));
    for (int i = 0; i < 8; ++i)
        PlaceWall(h, MaterialIndex(h, "M" + std::to_string(i % 5)), 1.0);
    h.host.counters.Reset();
    (void)Text();
    EXPECT_EQ(h.host.counters.Of("GetElementQuantities"), 8u);
}

TEST(ProjectInfo, TextsThatAreNotUtf8StillGiveTheAnswer) {
    InProcessHost h;
    h.host.project.info.author = std::string("M\xfcller", 6);
    json info = json::parse(Text());
    EXPECT_EQ(info["Overview"]["author"], "M\xef\xbf\xbd"
                                          "ller");
}

} // namespace project_info_exporter_test
