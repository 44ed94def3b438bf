#include "runtime/Faults.h"
#include "host/HostApi.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using simhost::ParseOperationName;

TEST(SimhostFaults, OperationNamesAreThoseOfTheList) {
    EXPECT_EQ(ParseOperationName("GetAttribute")->op, HostOp::GetAttribute);
    auto gats = ParseOperationName("UtilityRequest.GATS");
    ASSERT_TRUE(gats);
    EXPECT_EQ(gats->selector, GSType(Selector::GATS));
    EXPECT_EQ(gats->Text(), "UtilityRequest.GATS");
    for (const char* bad : {"", "getAttribute", "UtilityRequest.XXXX", "UtilityRequest.GPRN",
                            "GetAttribute.GATS", "UtilityRequest.GAT"})
        EXPECT_FALSE(ParseOperationName(bad)) << bad;
}

TEST(SimhostFaults, ASelectorFaultFailsOnlyThatSelectorAndEveryCallIsCounted) {
    testing_support::InProcessHost h;
    h.host.counters.Reset();
    h.host.faults.Set(*ParseOperationName("EnvironmentRequest.GPRN"), GSErrCode(0x81234567u));
    API_ProjectInfoRecord record{};
    EXPECT_EQ(HostApi::EnvironmentRequest(GSType(Selector::GPRN), &record, nullptr, nullptr),
              GSErrCode(0x81234567u));
    API_ApplicationInfo info{};
    info.recordVersion = 1;
    EXPECT_EQ(HostApi::EnvironmentRequest(GSType(Selector::APPL), &info, nullptr, nullptr), NoError);
    EXPECT_EQ(h.host.counters.Of("EnvironmentRequest"), 2u);
    EXPECT_EQ(h.host.counters.Of("EnvironmentRequest.GPRN"), 1u);
    EXPECT_EQ(h.host.counters.Of("EnvironmentRequest.APPL"), 1u);

    h.host.faults.Set(*ParseOperationName("EnvironmentRequest"), ErrGeneral);
    EXPECT_EQ(HostApi::EnvironmentRequest(GSType(Selector::APPL), &info, nullptr, nullptr), ErrGeneral);
    EXPECT_EQ(h.host.counters.Of("EnvironmentRequest.APPL"), 1u)
        << "a failed request never reaches its selector";
    h.host.faults.Set(*ParseOperationName("EnvironmentRequest"), NoError);
    EXPECT_EQ(HostApi::EnvironmentRequest(GSType(Selector::APPL), &info, nullptr, nullptr), NoError);
}
