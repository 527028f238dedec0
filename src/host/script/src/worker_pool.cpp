// WorkerPool: handler threads.
#include "worker_pool.h"

namespace tarsel::detail {

bool WorkerPool::Submit(std::function<void()> task) {
    std::unique_lock held(lock_);
    if (stopping_) return false;
    tasks_.push_back(std::move(task));
    if (idle_ == 0 && threads_.size() < maxThreads_)
        threads_.emplace_back([this] { Run(); });
    else
        wake_.notify_one();
    return true;
}

void WorkerPool::Stop() {
    std::vector<std::thread> threads;
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        threads.swap(threads_);
    }
    wake_.notify_all();
    for (std::thread& thread : threads)
        thread.join();
}

void WorkerPool::Run() {
    std::unique_lock held(lock_);
    for (;;) {
        ++idle_;
        wake_.wait(held, [this] { return stopping_ || !tasks_.empty(); });
        --idle_;
        if (tasks_.empty()) return; // stopping and nothing left
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        held.unlock();
        task();
        task = nullptr; // release what the task captured before taking the lock
        held.lock();
    }
}

} // namespace tarsel::detail
