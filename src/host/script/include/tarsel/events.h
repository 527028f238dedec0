// Events and queues for handing work between threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

// A signal one thread waits for and another gives. It resets when a wait
// succeeds, so each Signal releases one waiter.
class Event {
  public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Waits up to `timeoutMs` (-1 = forever). Answers true when signalled.
    bool Wait(int64_t timeoutMs = -1);
    void Signal();

  private:
    std::mutex lock_; // guards signalled_
    std::condition_variable changed_;
    bool signalled_ = false;
};

// An item of an EventQueue. The queue does not own nodes: whoever takes a
// node decides its fate.
class QueueNode {
  public:
    virtual ~QueueNode() = default;
    // Answers the node's sender; the base does nothing.
    virtual void Reply() {}
};

// A first-in first-out queue of nodes shared between threads.
class EventQueue {
  public:
    EventQueue() = default;
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    void Put(QueueNode* node);
    // The oldest node, or null when the queue is empty.
    QueueNode* Get();
    // Waits up to `timeoutMs` (-1 = forever) until the queue is not empty.
    // Answers true when a node is waiting.
    bool Wait(int64_t timeoutMs);
    size_t Count();

  private:
    std::mutex lock_; // guards nodes_
    std::condition_variable nonEmpty_;
    std::deque<QueueNode*> nodes_;
};
