#include "runtime/MainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Work from several server threads runs on the one main thread, one piece at a time, and each
// sender waits for its own piece.
TEST(SimhostMainThread, WorkFromOtherThreadsRunsOnTheMainThreadOneAtATime) {
    simhost::MainThreadQueue queue;
    const std::thread::id main = std::this_thread::get_id();
    std::atomic<int> running{0}, overlaps{0}, done{0};
    std::vector<std::thread> senders;
    std::vector<int> results(8, -1);
    for (int i = 0; i < 8; ++i)
        senders.emplace_back([&, i] {
            bool ran = queue.Run([&, i] {
                if (++running > 1)
                    ++overlaps;
                results[size_t(i)] = std::this_thread::get_id() == main ? i : -2;
                --running;
            });
            EXPECT_TRUE(ran);
            ++done;
        });
    while (done < 8)
        queue.RunNext(10ms);
    for (auto& t : senders)
        t.join();
    EXPECT_EQ(overlaps, 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(results[size_t(i)], i);
}

TEST(SimhostMainThread, WhatTheWorkThrowsReachesItsSender) {
    simhost::MainThreadQueue queue;
    std::string message;
    std::thread sender([&] {
        try {
            queue.Run([] { throw std::runtime_error("Bad cast."); });
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
    });
    while (!queue.RunNext(10ms)) {
    }
    sender.join();
    EXPECT_EQ(message, "Bad cast.");
    EXPECT_FALSE(queue.RunNext(1ms)) << "nothing left";
}

// A host that shuts down answers every sender, run or not: none is left waiting.
TEST(SimhostMainThread, ClosingAnswersWaitingSendersWithoutRunningTheirWork) {
    simhost::MainThreadQueue queue;
    std::atomic<bool> ran{false};
    std::atomic<int> answered{0};
    std::vector<std::thread> senders;
    for (int i = 0; i < 3; ++i)
        senders.emplace_back([&] {
            EXPECT_FALSE(queue.Run([&] { ran = true; }));
            ++answered;
        });
    // Let the senders queue their work, then shut down without running it.
    std::this_thread::sleep_for(50ms);
    queue.Close();
    for (auto& t : senders)
        t.join();
    EXPECT_EQ(answered, 3);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(queue.IsClosed());
    EXPECT_FALSE(queue.Run([&] { ran = true; })) << "refused after closing";
    EXPECT_FALSE(ran);
}

} // namespace
