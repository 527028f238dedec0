// Operating-system helpers: events, atomics, time, process and files.
#include "tarsel/platform.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace Tarsel::Platform {

struct EventRecord {
    std::mutex lock; // guards signalled
    std::condition_variable changed;
    bool signalled;
    bool manualReset;
};

EventHandle NewEvent(bool manualReset, bool initialState) {
    auto* event = new EventRecord;
    event->signalled = initialState;
    event->manualReset = manualReset;
    return event;
}

void SetEvent(EventHandle event) {
    if (!event) return;
    {
        std::lock_guard guard(event->lock);
        event->signalled = true;
    }
    // An auto-reset event releases one waiter; a manual one releases all.
    if (event->manualReset)
        event->changed.notify_all();
    else
        event->changed.notify_one();
}

void ResetEvent(EventHandle event) {
    if (!event) return;
    std::lock_guard guard(event->lock);
    event->signalled = false;
}

bool WaitEvent(EventHandle event, int64_t timeoutMs) {
    if (!event) return false;
    std::unique_lock held(event->lock);
    auto ready = [event] { return event->signalled; };
    if (timeoutMs < 0)
        event->changed.wait(held, ready);
    else if (!event->changed.wait_for(held, std::chrono::milliseconds(timeoutMs), ready))
        return false;
    if (!event->manualReset) event->signalled = false;
    return true;
}

void CloseEvent(EventHandle event) {
    delete event;
}

int32_t AtomicExchange32(volatile int32_t* word, int32_t value) {
    return __atomic_exchange_n(word, value, __ATOMIC_SEQ_CST);
}

int32_t AtomicIncrement32(volatile int32_t* word) {
    return __atomic_add_fetch(word, 1, __ATOMIC_SEQ_CST);
}

int32_t AtomicDecrement32(volatile int32_t* word) {
    return __atomic_sub_fetch(word, 1, __ATOMIC_SEQ_CST);
}

void Wait(int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t GetUpTime() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t GetCurrentProcessID() {
    return static_cast<uint32_t>(getpid());
}

bool RemoveFile(const char* path) {
    return path && unlink(path) == 0;
}

} // namespace Tarsel::Platform
