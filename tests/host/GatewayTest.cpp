#include "host/HostApi.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

using testing_support::InProcessHost;

TEST(Gateway, AnEmptySlotAnswersMissingEntryWithoutACall) {
    InProcessHost h;
    for (HostOp op : {HostOp::GetAttributeCount, HostOp::WriteReport}) {
        h.host.EmptySlot(op);
        ASSERT_EQ(h.session.Rehand(), NoError);
        h.host.counters.Reset();
    }
    Int32 count = -1;
    EXPECT_EQ(HostApi::GetAttributeCount(AttrTypeBuildingMaterial, &count), ErrMissingEntry);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(HostApi::WriteReport("hello", true), ErrMissingEntry) << "an operation without a result";
    EXPECT_TRUE(h.host.reports.empty());
    EXPECT_EQ(h.host.counters.Of("WriteReport"), 0u);
}

TEST(Gateway, PassesTheHandleAndAnswersTheHostsCode) {
    InProcessHost h;
    EXPECT_EQ(HostApi::WriteReport("shown", true), NoError);
    ASSERT_EQ(h.host.reports.size(), 1u);
    EXPECT_EQ(h.host.reports[0], "shown");

    h.host.faults.Set({HostOp::KeepLoaded, std::nullopt}, ErrOutOfMemory);
    EXPECT_EQ(HostApi::KeepLoaded(true), ErrOutOfMemory);

    // The host checks the handle it gave: after FreeAddOnData the add-on has none.
    h.host.faults.Clear();
    ASSERT_EQ(h.session.Free(), NoError);
    EXPECT_EQ(HostApi::KeepLoaded(true), ErrBadHandle);
}

TEST(Gateway, TheTableIsCopiedAtHandOver) {
    InProcessHost h;
    h.host.EmptySlot(HostOp::KeepLoaded); // not handed over again
    EXPECT_EQ(HostApi::KeepLoaded(true), NoError);
    EXPECT_TRUE(h.host.addOn.keepLoaded);
}
