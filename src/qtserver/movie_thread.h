// The movie thread: the one thread that calls the movie-services module. It
// starts on the first request that needs it, answers the "QTIN" handshake,
// then serves messages from the movie port until "Quit".
#pragma once

#include "message_port.h"

#include "platform/message_pump.h"
#include "platform/registry.h"
#include "tarsel/platform.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class MovieLibrary;
class QT_Msg;

// Name of the thread as the system shows it.
inline constexpr const char kMovieThreadName[] = "TsQTMovie";

class MovieThread {
  public:
    using RegistryReader = std::function<platform::RegistryValues()>;

    // `readRegistry` gives the registry values the module is looked for with.
    explicit MovieThread(RegistryReader readRegistry = &ReadServerRegistryValues);
    // Stops the thread when it still runs (waiting without limit).
    ~MovieThread();
    MovieThread(const MovieThread&) = delete;
    MovieThread& operator=(const MovieThread&) = delete;

    // Starts the thread once and waits for its "QTIN" answer; answers whether
    // it serves. Concurrent first calls start one thread, and none answers
    // before the handshake is done; after a failed start every call answers
    // false without starting another.
    bool Ensure();
    // Hands `message` to the thread with `code` and waits for the answer.
    // Answers false at once, with the success byte clear, when the thread
    // does not take messages (never started, failed, or ended).
    bool Ask(QT_Msg& message, uint32_t code);
    // Hands `message` over without waiting; the port takes over the caller's
    // reference. False (the reference stays with the caller) as for Ask.
    bool Post(QT_Msg* message);

    // Posts "Quit" and waits up to `timeoutMs` for the thread to end. A
    // thread that does not end is abandoned: it keeps what it uses, and the
    // process must end without destroying this object. Answers whether the
    // thread ended (true as well when it never ran).
    bool Stop(int64_t timeoutMs);

    TsQTMsgPort& Port() { return *port_; }
    // The movie thread's message queue, for work that must run on it; null
    // until the thread has started.
    std::shared_ptr<platform::MessageQueue> Messages();
    // Threads started so far (0 or 1).
    int StartCount();

  private:
    static platform::RegistryValues ReadServerRegistryValues();
    // The thread's body; stores the thread's message queue in `queue` first.
    void Run(std::shared_ptr<platform::MessageQueue>* queue);
    void Serve(MovieLibrary& library);
    // Answers every message still queued as failed.
    void FailQueued();

    RegistryReader readRegistry_;
    TsQTMsgPort* port_;                   // the movie port; closed until the thread serves
    Tarsel::Platform::EventHandle ended_; // set when the thread is about to return
    std::mutex startLock_;                // guards thread_, startCount_, ready_, abandoned_
    std::thread thread_;
    int startCount_ = 0;
    bool ready_ = false;
    bool abandoned_ = false;
    std::shared_ptr<platform::MessageQueue> messages_;
};
