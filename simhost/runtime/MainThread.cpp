#include "runtime/MainThread.h"

namespace simhost {

bool MainThreadQueue::Run(std::function<void()> work) {
    std::future<void> done;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (closed)
            return false;
        waiting.emplace_back(std::move(work));
        done = waiting.back().get_future();
    }
    ready.notify_one();
    try {
        done.get();
    } catch (const std::future_error&) {
        return false; // dropped by Close before it ran
    }
    return true;
}

bool MainThreadQueue::RunNext(std::chrono::milliseconds wait) {
    std::packaged_task<void()> task;
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (!ready.wait_for(lock, wait, [this] { return !waiting.empty(); }))
            return false;
        task = std::move(waiting.front());
        waiting.pop_front();
    }
    task(); // an exception is kept in the task's future for the waiting thread
    return true;
}

void MainThreadQueue::Close() {
    std::deque<std::packaged_task<void()>> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex);
        closed = true;
        dropped.swap(waiting);
    }
    // Destroying a task that never ran breaks its promise: its waiting thread wakes with false.
}

bool MainThreadQueue::IsClosed() const {
    std::lock_guard<std::mutex> lock(mutex);
    return closed;
}

} // namespace simhost
