#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MemoryManager, ClearedAllocationsAndSizes) {
    GSPtr p = BMAllocatePtr(64, ALLOCATE_CLEAR, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(BMGetPtrSize(p), 64);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(p[i], 0);
    BMFreePtr(p);

    GSHandle h = BMAllocateHandle(0, ALLOCATE_CLEAR, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(BMGetHandleSize(h), 0);
    ASSERT_NE(BMReallocHandle(h, 16, ALLOCATE_CLEAR, 0), nullptr);
    std::memcpy(*h, "0123456789abcdef", 16);
    ASSERT_NE(BMReallocHandle(h, 8, 0, 0), nullptr);
    EXPECT_EQ(std::string(*h, 8), "01234567");
    BMKillHandle(&h);
    EXPECT_EQ(h, nullptr);
    BMKillHandle(&h); // disposing of a cleared handle does nothing
}

TEST(MemoryManager, FailureSwitchFailsExactlyTheChosenAllocations) {
    Int64 live = BM::LiveBlocks();
    BM::FailAllocations(2, 1);
    GSPtr first = BMAllocatePtr(8, 0, 0);
    GSHandle second = BMAllocateHandle(8, 0, 0);
    GSPtr third = BMAllocatePtr(8, 0, 0);
    GSPtr fourth = BMAllocatePtr(8, 0, 0);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_NE(fourth, nullptr);
    BMFreePtr(first);
    BMKillHandle(&second);
    BMFreePtr(fourth);
    EXPECT_EQ(BM::LiveBlocks(), live);

    GSHandle h = BMAllocateHandle(4, 0, 0);
    BM::FailAllocations(0, 1);
    EXPECT_EQ(BMReallocHandle(h, 100, 0, 0), nullptr);
    EXPECT_EQ(BMGetHandleSize(h), 4) << "a failed resize keeps the block";
    BMKillHandle(&h);
    BM::ClearFailures();
}

TEST(MemoryManager, AbsurdSizesAreRefused) {
    EXPECT_EQ(BMAllocatePtr(-1, 0, 0), nullptr);
    EXPECT_EQ(BMAllocateHandle(Int64(1) << 50, 0, 0), nullptr);
}
