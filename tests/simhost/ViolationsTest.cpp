// The host records what the add-on does wrong to it, from the call wrapper and its memory manager,
// and only that: a failure the host was made to answer, or an answer the add-on's own step gave
// through the host, is no misuse.
#include "gs/MemoryManager.h"
#include "gs/MemoryManagerControls.h"
#include "host/HostApi.h"
#include "support/InProcessHost.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>

TEST(SimhostViolations, EachMisuseIsRecordedByItsKindAndNothingElseIs) {
    using testing_support::InProcessHost;
    auto count = [](API_AddOnHandle handle) {
        Int32 n = 0;
        auto f = reinterpret_cast<HostFn::GetAttributeCount>(
            simhost::CurrentHost().table.entries[HostOps[int(HostOp::GetAttributeCount)].slot]);
        return f(handle, 17, &n);
    };
    const struct {
        const char* name;
        std::function<void(InProcessHost&)> act;
        const char* kind; // nullptr: nothing is recorded
    } cases[] = {
        {"a call with the host's handle",
         [&](InProcessHost& h) { EXPECT_EQ(count(h.host.addOnHandle), NoError); }, nullptr},
        {"a call with no handle", [&](InProcessHost&) { EXPECT_EQ(count(nullptr), ErrBadHandle); },
         "bad handle"},
        {"a call with a handle the host did not give",
         [&](InProcessHost&) {
             int other = 0;
             EXPECT_EQ(count(reinterpret_cast<API_AddOnHandle>(&other)), ErrBadHandle);
         },
         "bad handle"},
        {"parameters the contract refuses",
         [](InProcessHost&) { EXPECT_EQ(HostApi::GetAttributeCount(17, nullptr), ErrBadParameter); },
         "refused parameters"},
        {"ErrBadParameter the host was made to answer",
         [](InProcessHost& h) {
             h.host.faults.Set(*simhost::ParseOperationName("GetAttributeCount"), ErrBadParameter);
             Int32 n = 0;
             EXPECT_EQ(HostApi::GetAttributeCount(17, &n), ErrBadParameter);
             h.host.faults.Clear();
         },
         nullptr},
        {"an undoable command whose step answers ErrBadParameter",
         [](InProcessHost&) {
             GS::UniString name("Step");
             EXPECT_EQ(HostApi::RunUndoableCommand(
                           &name, [](void*) { return ErrBadParameter; }, nullptr),
                       ErrBadParameter);
         },
         nullptr},
        {"an unknown selector",
         [](InProcessHost&) {
             EXPECT_EQ(HostApi::EnvironmentRequest(GSType(0x7A7A7A7A), nullptr, nullptr, nullptr),
                       ErrBadSelector);
         },
         "unknown selector"},
        {"a call from another thread",
         [](InProcessHost&) {
             Int32 n = -1;
             GSErrCode code = NoError;
             std::thread([&] { code = HostApi::GetAttributeCount(17, &n); }).join();
             EXPECT_EQ(code, ErrGeneral);
             EXPECT_EQ(n, -1) << "the call did not reach the host's state";
         },
         "wrong thread"},
        {"an exception out of the add-on's code",
         [](InProcessHost& h) {
             EXPECT_THROW(simhost::CallAddOn(h.host, "a handler",
                                             []() -> GSErrCode { throw std::runtime_error("out"); }),
                          std::runtime_error);
         },
         "exception from the add-on"},
        {"a handle released twice",
         [](InProcessHost&) {
             GSHandle handle = BMAllocateHandle(8, 0, 0), same = handle;
             BMKillHandle(&handle);
             BMKillHandle(&same);
             EXPECT_EQ(same, nullptr);
         },
         "memory manager"},
        {"a block released twice",
         [](InProcessHost&) {
             GSPtr block = BMAllocatePtr(8, 0, 0);
             BMFreePtr(block);
             BMFreePtr(block);
         },
         "memory manager"},
        {"a handle and a block released once",
         [](InProcessHost&) {
             GSHandle handle = BMAllocateHandle(8, 0, 0);
             BMKillHandle(&handle);
             BMFreePtr(BMAllocatePtr(8, 0, 0));
         },
         nullptr},
    };
    InProcessHost h;
    for (const auto& c : cases) {
        h.host.violations.Clear();
        const Int64 blocks = BM::LiveBlocks();
        c.act(h);
        EXPECT_EQ(BM::LiveBlocks(), blocks) << c.name;
        const auto& recorded = h.host.violations.All();
        if (c.kind == nullptr) {
            EXPECT_TRUE(recorded.empty()) << c.name << ": " << (recorded.empty() ? "" : recorded[0].what);
        } else {
            ASSERT_EQ(recorded.size(), 1u) << c.name;
            EXPECT_EQ(recorded[0].kind, c.kind) << c.name << ": " << recorded[0].what;
        }
    }
}
