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

TEST(SimhostFaults, AHostCostIsSpentInEachCallOfItsOperationOnly) {
    for (const char* bad : {"GetElement", "GetElement=", "GetElement=-1", "GetElement=5us", "Nothing=5",
                            "GetElement=10000001", "UtilityRequest.XXXX=5"})
        EXPECT_THROW(simhost::HostCosts().Parse(bad), std::invalid_argument) << bad;

    testing_support::InProcessHost h;
    h.host.costs.Parse("UtilityRequest.U2EP=20000");
    Int32 priority = 0;
    using Clock = std::chrono::steady_clock;
    auto timed = [](auto call) {
        const auto start = Clock::now();
        call();
        return Clock::now() - start;
    };
    EXPECT_GE(timed([&] {
                  (void)HostApi::UtilityRequest(GSType(Selector::U2EP), reinterpret_cast<void*>(GSIntPtr(8)),
                                                &priority, nullptr, nullptr);
              }),
              std::chrono::milliseconds(20));
    EXPECT_LT(timed([&] {
                  Int32 count = 0;
                  (void)HostApi::GetAttributeCount(AttrTypeComposite, &count);
              }),
              std::chrono::milliseconds(20))
        << "other operations take no time of it";
}
