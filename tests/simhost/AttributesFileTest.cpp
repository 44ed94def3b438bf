// The attributes' part of the project file.
#include "model/Project.h"

#include <gtest/gtest.h>

using nlohmann::json;
using simhost::ProjectFileError;

TEST(AttributesFile, KeepsMaterialsPropertiesAndClassificationThroughSaveAndLoad) {
    simhost::Project p;
    simhost::ClassificationSystem s;
    s.guid = GS::Guid::Generate();
    s.name = "Quorvel";
    s.editionVersion = "v1.0";
    s.year = 2026;
    s.items.push_back({GS::Guid::Generate(), GS::Guid(), "Top", "", ""});
    s.items.push_back({GS::Guid::Generate(), s.items[0].guid, "Quorvel Materials", "", ""});
    p.attributes.classificationSystems.push_back(s);
    p.attributes.propertyGroups.push_back({GS::Guid::Generate(), "QV_UUID", ""});
    simhost::PropertyDefinition d;
    d.guid = GS::Guid::Generate();
    d.group = p.attributes.propertyGroups[0].guid;
    d.name = "QV_UUID";
    d.valueType = 3;
    d.availability = {s.items[1].guid, s.items[1].guid};
    p.attributes.propertyDefinitions.push_back(d);
    simhost::BuildingMaterial m;
    m.guid = GS::Guid::Generate();
    m.name = "Wärme";
    m.cutFillPen = -2;
    m.classification = {s.items[1].guid};
    m.propertyValues[d.guid] = "abc";
    p.attributes.buildingMaterials.push_back(m);
    json saved = simhost::ProjectToJson(p);
    EXPECT_EQ(simhost::ProjectToJson(simhost::ProjectFromJson(saved, "p.json")), saved);
    json older = saved;
    older["attributes"]["undoList"] = {"Create Group"}; // files of before kept the session's undo list
    EXPECT_EQ(simhost::ProjectToJson(simhost::ProjectFromJson(older, "older.json")), saved);
}

TEST(AttributesFile, RefusesContentsThatDisagreeNamingFileAndFault) {
    const std::string g1 = "11111111-1111-1111-1111-111111111111",
                      g2 = "22222222-2222-2222-2222-222222222222";
    const std::pair<std::string, std::string> cases[] = {
        {R"("x")", "attributes is not an object"},
        {R"({"buildingMaterials":{}})", "attributes.buildingMaterials is not an array"},
        {R"({"buildingMaterials":[{"guid":"bad","name":"a"}]})",
         "attributes.buildingMaterials[0] has no valid guid"},
        {R"({"buildingMaterials":[{"guid":")" + g1 + R"(","name":""}]})", "has an empty name"},
        {R"({"buildingMaterials":[{"guid":")" + g1 + R"(","name":"a"},{"guid":")" + g2 + R"(","name":"a"}]})",
         "attributes.buildingMaterials[1] repeats the name \"a\""},
        {R"({"buildingMaterials":[{"guid":")" + g1 + R"(","name":"a","classification":[")" + g2 + R"("]}]})",
         "is classified under an unknown item"},
        {R"({"buildingMaterials":[{"guid":")" + g1 + R"(","name":"a","propertyValues":{")" + g2 +
             R"(":"v"}}]})",
         "has a value of an unknown definition"},
        {R"({"propertyDefinitions":[{"guid":")" + g1 + R"(","group":")" + g2 + R"(","name":"d"}]})",
         "names an unknown group"},
        {R"({"propertyGroups":[{"guid":")" + g1 + R"(","name":"a"},{"guid":")" + g1 + R"(","name":"b"}]})",
         "repeats the guid"},
        {R"({"classificationSystems":[{"guid":")" + g1 + R"(","name":"S","items":[{"guid":")" + g2 +
             R"(","parent":")" + g2 + R"(","id":"i"}]}]})",
         "whose parent is not in the system"},
        {R"({"propertyGroups":[{"guid":")" + g1 + R"(","name":5}]})", "type must be string, but is number"},
    };
    for (const auto& [attributes, fault] : cases) {
        json doc = {{"format", "simhost-project"}, {"version", 1}, {"attributes", json::parse(attributes)}};
        try {
            simhost::ProjectFromJson(doc, "p.json");
            ADD_FAILURE() << "accepted " << attributes;
        } catch (const ProjectFileError& e) {
            std::string message = e.what();
            EXPECT_EQ(message.rfind("p.json: ", 0), 0u) << message;
            EXPECT_NE(message.find(fault), std::string::npos) << message;
        }
    }
}
