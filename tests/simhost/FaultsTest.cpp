#include "runtime/Faults.h"
#include "host/HostApi.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <chrono>

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

TEST(SimhostFaults, AHostCostIsSpentInEachCallOfItsOperationOnly) {
    for (const char* bad : {"GetElement", "GetElement=", "GetElement=-1", "GetElement=5us", "Nothing=5",
                            "GetElement=10000001", "UtilityRequest.XXXX=5"})
        EXPECT_THROW(simhost::HostCosts().Parse(bad), std::invalid_argument) << bad;

    testing_support::InProcessHost h;
    const auto u2ep = *ParseOperationName("UtilityRequest.U2EP");
    h.host.costs.Parse("UtilityRequest.U2EP=20000");
    Int32 priority = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int call = 0; call < 2; ++call)
        (void)HostApi::UtilityRequest(GSType(Selector::U2EP), reinterpret_cast<void*>(GSIntPtr(8)), &priority,
                                      nullptr, nullptr);
    // A busy wait takes at least its time, however loaded the machine is.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
    Int32 count = 0;
    (void)HostApi::GetAttributeCount(AttrTypeComposite, &count);
    // The account says where the time went: each call of the costed selector, nothing else.
    EXPECT_EQ(h.host.costs.Spent(), (simhost::CostAccount{{u2ep, std::chrono::milliseconds(40)}}));
}
