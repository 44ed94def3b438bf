#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>

namespace simhost {

// Work handed to the host's main thread. The host and the add-on are touched by one thread only,
// as on a real host's user-interface thread: server threads queue their work here and wait for
// it, and the main thread runs the queue one piece at a time.
class MainThreadQueue {
public:
    // From a thread other than the main one: runs `work` on the main thread and waits for it to
    // end; what `work` throws is thrown here. Answers false without running it when the queue is
    // closed, or when it closes before the work's turn came.
    bool Run(std::function<void()> work);

    // On the main thread: runs the first waiting piece of work, waiting at most `wait` for one.
    // Answers whether one ran.
    bool RunNext(std::chrono::milliseconds wait);

    // Refuses further work and drops what waits; its callers get false.
    void Close();
    bool IsClosed() const;

private:
    mutable std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::packaged_task<void()>> waiting;
    bool closed = false;
};

} // namespace simhost
