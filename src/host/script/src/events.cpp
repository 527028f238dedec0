// Event and EventQueue.
#include "tarsel/events.h"

#include <chrono>

namespace {

// Waits on `changed` until `ready()` holds or `timeoutMs` passes (-1 = forever).
template <class Ready>
bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& held,
               int64_t timeoutMs, Ready ready) {
    if (timeoutMs < 0) {
        changed.wait(held, ready);
        return true;
    }
    return changed.wait_for(held, std::chrono::milliseconds(timeoutMs), ready);
}

} // namespace

bool Event::Wait(int64_t timeoutMs) {
    std::unique_lock held(lock_);
    if (!WaitUntil(changed_, held, timeoutMs, [this] { return signalled_; })) return false;
    signalled_ = false;
    return true;
}

void Event::Signal() {
    {
        std::lock_guard guard(lock_);
        signalled_ = true;
    }
    changed_.notify_one();
}

void EventQueue::Put(QueueNode* node) {
    if (!node) return;
    {
        std::lock_guard guard(lock_);
        nodes_.push_back(node);
    }
    nonEmpty_.notify_all();
}

QueueNode* EventQueue::Get() {
    std::lock_guard guard(lock_);
    if (nodes_.empty()) return nullptr;
    QueueNode* node = nodes_.front();
    nodes_.pop_front();
    return node;
}

bool EventQueue::Wait(int64_t timeoutMs) {
    std::unique_lock held(lock_);
    return WaitUntil(nonEmpty_, held, timeoutMs, [this] { return !nodes_.empty(); });
}

size_t EventQueue::Count() {
    std::lock_guard guard(lock_);
    return nodes_.size();
}
