// A host that varies within its contract: the same seed varies the same way, and every way it
// varies shows where the contract leaves the host free.
#include "host/HostApi.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

using testing_support::InProcessHost;

namespace {

struct Seen {
    std::string projectInfo; // the whole record
    Int32 materials = 0, composites = 0;
    std::string language;
    size_t longestAutotextName = 0;
    bool nameTailZero = false; // the name field's bytes after its terminator
};

Seen Observe(std::optional<UInt64> seed) {
    InProcessHost h;
    if (seed)
        h.host.Vary(*seed);
    h.host.project.info.name = "Riverside";
    Seen seen;
    API_ProjectInfoRecord record{};
    EXPECT_EQ(HostApi::EnvironmentRequest(GSType(Selector::GPRN), &record, nullptr, nullptr), NoError);
    EXPECT_STREQ(record.name, "Riverside") << "the texts the record defines are the project's";
    seen.nameTailZero =
        std::all_of(record.name + 10, record.name + sizeof record.name, [](char c) { return c == 0; });
    seen.projectInfo.assign(reinterpret_cast<const char*>(&record), sizeof record);
    EXPECT_EQ(HostApi::GetAttributeCount(AttrTypeBuildingMaterial, &seen.materials), NoError);
    EXPECT_EQ(HostApi::GetAttributeCount(AttrTypeComposite, &seen.composites), NoError);
    for (Int32 i = 1; i <= seen.materials; ++i) {
        API_Attribute hole{};
        hole.header.typeID = AttrTypeBuildingMaterial;
        hole.header.index = i;
        EXPECT_EQ(HostApi::GetAttribute(&hole), ErrDeleted) << i;
    }
    API_ApplicationInfo info{};
    info.recordVersion = 1;
    EXPECT_EQ(HostApi::EnvironmentRequest(GSType(Selector::APPL), &info, nullptr, nullptr), NoError);
    seen.language = info.language.ToCStr();
    API_AutotextList autotexts;
    EXPECT_EQ(HostApi::UtilityRequest(GSType(Selector::GATS), &autotexts,
                                      reinterpret_cast<void*>(GSIntPtr(7)), nullptr, nullptr),
              NoError);
    for (const auto& entry : autotexts)
        seen.longestAutotextName = std::max(seen.longestAutotextName, std::string(entry[0].ToCStr()).size());
    return seen;
}

} // namespace

TEST(SimhostVariance, TheSameSeedVariesTheSameWayAndOnlyWhereTheContractLeavesItOpen) {
    const Seen plain = Observe(std::nullopt);
    EXPECT_EQ(plain.materials, 0);
    EXPECT_EQ(plain.composites, 0);
    EXPECT_EQ(plain.language, "INT");
    EXPECT_TRUE(plain.nameTailZero) << "the plain host leaves the open bytes as the caller zeroed them";
    for (UInt64 seed : {1u, 2u, 77u}) {
        const Seen varied = Observe(seed);
        EXPECT_EQ(Observe(seed).projectInfo, varied.projectInfo) << "reproducible, seed " << seed;
        EXPECT_FALSE(varied.nameTailZero) << "noise in the open bytes, seed " << seed;
        EXPECT_GE(varied.materials, 1) << seed;
        EXPECT_LE(varied.materials, 4) << seed;
        EXPECT_GE(varied.composites, 1) << seed;
        EXPECT_NE(varied.language, "INT") << seed;
        EXPECT_EQ(varied.longestAutotextName, 255u) << seed;
    }
}
