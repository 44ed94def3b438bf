#include "export/ProjectOverviewExporter.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

// The unity build compiles this file with others of its folder; its helpers keep their own names.
namespace project_overview_exporter_test {

using nlohmann::json;
using testing_support::InProcessHost;

namespace {

void GiveIdentity(simhost::Host& host, const std::string& value) {
    host.project.autotexts.push_back({"QV_GUID", GS::Guid::Generate(), value});
}

simhost::OperationName Utility(Selector s) {
    return {HostOp::UtilityRequest, GSType(s)};
}
simhost::OperationName Gprn() {
    return {HostOp::EnvironmentRequest, GSType(Selector::GPRN)};
}

const char* const AllPlaceholders =
    R"({"address":"n\\a","author":"n\\a","issue_date":"n\\a","name":"n\\a",)"
    R"("number":"n\\a","organization":"n\\a","project_guid":"G-1","status":"n\\a"})";

std::string Strict(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::strict);
}

} // namespace

TEST(ProjectOverview, EveryKeyAlwaysWithPlaceholdersForEmptyTexts) {
    const struct {
        simhost::ProjectInfo info; // name, author, organization, number, status, issue date, address
        std::string expected;
    } cases[] = {
        {{}, AllPlaceholders},
        {{"Haus Linde", "A. Meier", "Meier AG", "P-17", "Entwurf", "2026-12-01", "Lindenweg 3"},
         R"({"address":"Lindenweg 3","author":"A. Meier","issue_date":"2026-12-01","name":"Haus Linde",)"
         R"("number":"P-17","organization":"Meier AG","project_guid":"G-1","status":"Entwurf"})"},
        // Blanks are text, not emptiness; texts beyond ASCII are taken as they are.
        {{" ", "", "  ", "", "\t", "",
          "Stra\xC3\x9F"
          "e"},
         "{\"address\":\"Stra\xC3\x9F"
         R"(e","author":"n\\a","issue_date":"n\\a","name":" ","number":"n\\a",)"
         R"("organization":"  ","project_guid":"G-1","status":"\t"})"},
    };
    for (const auto& c : cases) {
        InProcessHost h;
        GiveIdentity(h.host, "G-1");
        h.host.project.info = c.info;
        ProjectOverviewExporter exporter;
        EXPECT_EQ(Strict(exporter.BuildOverview()), c.expected);
        EXPECT_EQ(exporter.name, c.info.name);
        EXPECT_EQ(exporter.author, c.info.author);
        EXPECT_EQ(exporter.organization, c.info.organization);
        EXPECT_EQ(exporter.number, c.info.number);
        EXPECT_EQ(exporter.status, c.info.status);
        EXPECT_EQ(exporter.issue_date, c.info.issueDate);
        EXPECT_EQ(exporter.address, c.info.address);
        EXPECT_EQ(exporter.project_guid, "G-1");
    }
}

TEST(ProjectOverview, AFailedReadGivesSevenPlaceholdersAndTheIdentity) {
    InProcessHost h;
    GiveIdentity(h.host, "G-1");
    h.host.project.info = {"Haus", "A", "O", "N", "S", "D", "Adr"};
    h.host.faults.Set(Gprn(), ErrGeneral);
    ProjectOverviewExporter exporter;
    EXPECT_EQ(Strict(exporter.BuildOverview()), AllPlaceholders);
}

TEST(ProjectOverview, TheFirstOverviewCreatesTheIdentityItCarries) {
    InProcessHost h;
    ProjectOverviewExporter exporter;
    json overview = exporter.BuildOverview();
    ASSERT_EQ(h.host.project.autotexts.size(), 1u);
    EXPECT_EQ(h.host.project.autotexts[0].name, "QV_GUID");
    EXPECT_FALSE(GS::Guid(overview["project_guid"].get<std::string>()).IsNull());
    EXPECT_EQ(overview["project_guid"], h.host.project.autotexts[0].value);

    ProjectOverviewExporter again;
    EXPECT_EQ(again.BuildOverview()["project_guid"], overview["project_guid"]) << "read back, not made anew";
    EXPECT_EQ(h.host.project.autotexts.size(), 1u);
}

TEST(ProjectOverview, NoIdentityToBeHadIsAnEmptyText) {
    InProcessHost h;
    h.host.faults.Set(Utility(Selector::GATS), ErrGeneral);
    ProjectOverviewExporter exporter;
    json overview = exporter.BuildOverview();
    EXPECT_EQ(overview.size(), 8u);
    EXPECT_EQ(overview["project_guid"], "");
}

TEST(ProjectOverview, AnsweredOnceAfterEachLoad) {
    InProcessHost h;
    GiveIdentity(h.host, "G-1");
    newProjectLoaded = false; // the flag lives as long as the add-on's code, across tests
    EXPECT_EQ(GetNewlyLoadedProjectOverviewText(), GS::UniString()) << "no load yet";
    EXPECT_EQ(h.host.counters.Of(Gprn()), 0u) << "nothing is read without a load";

    ASSERT_EQ(h.host.SendProjectEvent(1, 0), NoError);
    EXPECT_EQ(GetNewlyLoadedProjectOverviewText().ToCStr(CC_UTF8), AllPlaceholders);
    EXPECT_EQ(GetNewlyLoadedProjectOverviewText(), GS::UniString()) << "the second call after one load";

    // Several loads before one call: one overview.
    ASSERT_EQ(h.host.SendProjectEvent(2, 0), NoError);
    ASSERT_EQ(h.host.SendProjectEvent(4, 0), NoError);
    h.host.project.info.name = "Neu";
    EXPECT_NE(GetNewlyLoadedProjectOverviewText().ToCStr(CC_UTF8).find(R"("name":"Neu")"), std::string::npos);
    EXPECT_EQ(GetNewlyLoadedProjectOverviewText(), GS::UniString());

    ASSERT_EQ(h.host.SendProjectEvent(8, 0), NoError);
    EXPECT_EQ(GetNewlyLoadedProjectOverviewText(), GS::UniString()) << "event 8 is no load";
}

TEST(ProjectOverview, TextsThatAreNotUtf8StillGiveTheOverview) {
    InProcessHost h;
    GiveIdentity(h.host, "G-1");
    h.host.project.info.name = "Haus \xFF\xFE M\xC3\xBCller";
    h.host.project.info.author = "ok";
    newProjectLoaded = true;
    std::string text;
    ASSERT_NO_THROW(text = GetNewlyLoadedProjectOverviewText().ToCStr(CC_UTF8));
    json parsed = json::parse(text);
    EXPECT_EQ(parsed["name"], "Haus \xEF\xBF\xBD\xEF\xBF\xBD M\xC3\xBCller");
    EXPECT_EQ(parsed["author"], "ok");
    EXPECT_EQ(parsed.size(), 8u);
}

} // namespace project_overview_exporter_test
