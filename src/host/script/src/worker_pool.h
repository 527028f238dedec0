// Threads that run method handlers. Threads are added while every existing
// one is busy, up to a limit; beyond it tasks wait in order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tarsel::detail {

class WorkerPool {
  public:
    explicit WorkerPool(size_t maxThreads) : maxThreads_(maxThreads) {}
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    ~WorkerPool() { Stop(); }

    // Queues a task; answers false after Stop.
    bool Submit(std::function<void()> task);
    // Lets the threads finish every queued task, then joins them.
    void Stop();

  private:
    void Run();

    const size_t maxThreads_;
    std::mutex lock_; // guards tasks_, idle_, stopping_, threads_
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    size_t idle_ = 0;
    bool stopping_ = false;
};

} // namespace tarsel::detail
