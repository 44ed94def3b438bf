#include "gs/Guid.h"

#include <gtest/gtest.h>

#include <set>

TEST(Guid, TextRoundTripsAndBadTextGivesNull) {
    GS::Guid g("766cab9a-f04e-4a1d-bb79-5987b4dc8320");
    EXPECT_FALSE(g.IsNull());
    EXPECT_EQ(g.ToString(), "766CAB9A-F04E-4A1D-BB79-5987B4DC8320");
    EXPECT_EQ(GS::Guid(g.ToString()), g);
    EXPECT_EQ(GS::Guid("{766CAB9A-F04E-4A1D-BB79-5987B4DC8320}"), g);
    EXPECT_EQ(g.Bytes()[0], 0x76);
    EXPECT_EQ(g.Bytes()[15], 0x20);

    const char* bad[] = {"",
                         "766cab9a",
                         "766cab9a-f04e-4a1d-bb79-5987b4dc832",
                         "766cab9a-f04e-4a1d-bb79-5987b4dc83200",
                         "766cab9af04e-4a1d-bb79-5987b4dc8320-",
                         "766cab9g-f04e-4a1d-bb79-5987b4dc8320",
                         "{766cab9a-f04e-4a1d-bb79-5987b4dc8320",
                         " 766cab9a-f04e-4a1d-bb79-5987b4dc832"};
    for (const char* text : bad)
        EXPECT_TRUE(GS::Guid(text).IsNull()) << text;
    EXPECT_TRUE(GS::Guid(static_cast<const char*>(nullptr)).IsNull());
}

TEST(Guid, GeneratedGuidsAreRandomVersionFour) {
    std::set<GS::Guid> seen;
    for (int i = 0; i < 200; ++i) {
        GS::Guid g = GS::Guid::Generate();
        EXPECT_EQ(g.Bytes()[6] >> 4, 4);
        EXPECT_EQ(g.Bytes()[8] & 0xC0, 0x80);
        seen.insert(g);
    }
    EXPECT_EQ(seen.size(), 200u);
}
