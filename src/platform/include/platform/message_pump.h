// Thread messages: work other threads hand to a thread that pumps its
// messages, and a wait that wakes for a signal or for such input.
#pragma once

#include "tarsel/platform.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// Wake mask of WaitForSignalOrInput: wake for every kind of input.
inline constexpr uint32_t kWakeOnAllInput = 0x4FF;

class MessageQueue;

// The calling thread's message queue, created on first use. Other threads
// post to it through the pointer; it lives while anyone holds one.
std::shared_ptr<MessageQueue> ThisThreadMessages();

class MessageQueue {
  public:
    using Message = std::function<void()>;

    // Queues `message` for the owning thread and wakes it when it waits for
    // input.
    void Post(Message message);
    // Runs every message queued now, in order (the owning thread calls this).
    // Answers how many ran.
    int Pump();
    bool HasInput();

    // Used by WaitForSignalOrInput: the event input should set while the
    // owning thread waits (null when it does not wait).
    void SetInputEvent(Tarsel::Platform::EventHandle event);

  private:
    std::mutex lock_; // guards messages_ and inputEvent_
    std::deque<Message> messages_;
    Tarsel::Platform::EventHandle inputEvent_ = nullptr;
};

enum class WaitResult { Signalled, Input, TimedOut };

// Waits up to `timeoutMs` (-1 = forever) for `signal`, or, when `wakeMask`
// is not 0, for a message posted to the calling thread. Input wakes the wait
// through `signal` itself, so a caller woken by input also looks at what the
// signal guards. Answers Input when messages wait, else Signalled or TimedOut.
WaitResult WaitForSignalOrInput(Tarsel::Platform::EventHandle signal, uint32_t wakeMask,
                                int64_t timeoutMs);

} // namespace platform
