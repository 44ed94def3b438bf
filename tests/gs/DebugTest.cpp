#include "gs/Debug.h"
#include "support/NeedsFork.h"

#include "gs/AddOnCode.h"
#include "support/FailingAllocations.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(Debug, DBPrintfFormatsIntoTheHostsOutput) {
    std::string captured;
    GS::SetDebugOutput([&](std::string_view t) { captured.append(t); });
    DBPrintf("%i\n", -5);
    DBPrintf("Abnormal add-on termination (\"%s\")\n", "/x/%s.so");
    std::string longText(5000, 'x');
    DBPrintf("%s", longText.c_str());
    GS::SetDebugOutput(nullptr);
    EXPECT_EQ(captured, "-5\nAbnormal add-on termination (\"/x/%s.so\")\n" + longText);
}

TEST(Debug, ALineThatFindsNoMemoryIsDroppedAndTheAddOnGoesOn) {
    SKIP_WITHOUT_FORK();
    std::string captured;
    GS::SetDebugOutput([&](std::string_view t) { captured.append(t); });
    const std::string longText(5000, 'x');
    auto found = testing_support::FailEachAllocation(
        [&] {
            GS::AddOnCodeScope addOn(true);
            DBPrintf("%s\n", longText.c_str());
        },
        false);
    GS::SetDebugOutput(nullptr);
    EXPECT_TRUE(found.faults.empty()) << found.faults.front();
    EXPECT_GT(found.allocations, 0u);
}

TEST(Debug, CHTruncateCutsToFitWithoutSplittingCharacters) {
    struct Case {
        const char* source;
        Int32 size;
        std::string expected;
    } cases[] = {
        {"Q7_QV_UUID", 32, "Q7_QV_UUID"},
        {"Q7_0123456789012345678901234567890123456789", 32, "Q7_0123456789012345678901234567"},
        {"ab\xC3\xA4", 4, "ab"}, // the two bytes of the umlaut do not fit beside the NUL
        {"ab\xC3\xA4", 5, "ab\xC3\xA4"},
        {"", 1, ""},
    };
    for (const auto& c : cases) {
        char target[64];
        std::memset(target, 'Z', sizeof target);
        Int32 n = CHTruncate(c.source, target, c.size, CC_UTF8);
        EXPECT_EQ(std::string(target), c.expected) << c.source;
        EXPECT_EQ(n, Int32(c.expected.size()));
        EXPECT_EQ(target[c.size], 'Z') << "nothing is written past the field";
    }
}
