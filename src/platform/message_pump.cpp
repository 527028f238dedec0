// Thread message queues.
#include "platform/message_pump.h"

namespace platform {

std::shared_ptr<MessageQueue> ThisThreadMessages() {
    // One queue per thread, made when the thread first asks.
    thread_local std::shared_ptr<MessageQueue> queue = std::make_shared<MessageQueue>();
    return queue;
}

void MessageQueue::Post(Message message) {
    if (!message) return;
    std::lock_guard guard(lock_);
    messages_.push_back(std::move(message));
    if (inputEvent_) Tarsel::Platform::SetEvent(inputEvent_);
}

int MessageQueue::Pump() {
    int ran = 0;
    for (;;) {
        Message message;
        {
            std::lock_guard guard(lock_);
            if (messages_.empty()) return ran;
            message = std::move(messages_.front());
            messages_.pop_front();
        }
        message(); // without the lock: it may post more
        ++ran;
    }
}

bool MessageQueue::HasInput() {
    std::lock_guard guard(lock_);
    return !messages_.empty();
}

void MessageQueue::SetInputEvent(Tarsel::Platform::EventHandle event) {
    std::lock_guard guard(lock_);
    inputEvent_ = event;
}

WaitResult WaitForSignalOrInput(Tarsel::Platform::EventHandle signal, uint32_t wakeMask,
                                int64_t timeoutMs) {
    std::shared_ptr<MessageQueue> queue = ThisThreadMessages();
    if (wakeMask != 0) {
        queue->SetInputEvent(signal);
        // Input that came before the wait began must wake it too.
        if (queue->HasInput()) {
            queue->SetInputEvent(nullptr);
            return WaitResult::Input;
        }
    }
    bool signalled = Tarsel::Platform::WaitEvent(signal, timeoutMs);
    if (wakeMask == 0) return signalled ? WaitResult::Signalled : WaitResult::TimedOut;
    queue->SetInputEvent(nullptr);
    if (queue->HasInput()) return WaitResult::Input;
    return signalled ? WaitResult::Signalled : WaitResult::TimedOut;
}

} // namespace platform
