// TsQTServerApp: the application object clients call, the main thread's job
// queue and main loop, and the idle rule that ends the process.
#pragma once

#include "movie_thread.h"

#include "tarsel/events.h"
#include "tarsel/remote.h"
#include "tarsel/script_object.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_set>

class QT_Msg;

// Main-loop timing.
inline constexpr int64_t kMainLoopWaitMs = 100;
inline constexpr uint64_t kHousekeepingIntervalMs = 1000;
// Seconds without calls after which a server with its one client quits.
inline constexpr double kIdleTimeoutSeconds = 5.0;
// Seconds without any client, from the start or from the last client's
// leaving, after which a server quits: a host that died leaves no server.
inline constexpr double kNoClientTimeoutSeconds = 30.0;
inline constexpr int kExpectedConnections = 1;
// How long shutdown waits for the movie thread to end after "Quit".
inline constexpr int64_t kMovieThreadStopMs = 10000;

// The class the application object is bound to.
ScriptInfo& TarselQTServerClass();

// A job for the main thread.
class ExecNode : public QueueNode {
  public:
    ScriptMainThreadFunc func = nullptr;
    void* user = nullptr;
    void* argument = nullptr;
    Event* completion = nullptr; // signalled when done; its waiter deletes the node
    int result = 0;
};

class TsQTServerApp : public ScriptObject {
  public:
    explicit TsQTServerApp(MovieThread::RegistryReader readRegistry = nullptr);
    ~TsQTServerApp() override;

    // The count starts at 0 and the last Release destroys the object.
    int32_t AddRef() override;
    int32_t Release() override;

    // Host notifications: a client connected, a call is about to run (the
    // last activity time becomes now), a client has gone.
    virtual void OnHostConnect(int connection);
    virtual void OnHostCall(int connection);
    virtual void OnHostDisconnect(int connection);
    virtual void OnHostHook4();
    virtual void OnHostHook5();
    virtual int OnHostQuery(TsID id);
    virtual int GetAttribute() const { return attribute_; }
    virtual void SetAttribute(int value) { attribute_ = value; }

    void SetIdleTimeout(double seconds) { idleTimeoutSeconds_ = seconds; }
    void SetNoClientTimeout(double seconds) { noClientTimeoutSeconds_ = seconds; }
    uint64_t LastActivity() const { return lastActivity_.load(); }

    // Runs `func` on the main thread (see ScriptConfig::runOnMainThread).
    int RunOnMainThread(ScriptMainThreadFunc func, void* user, void* argument, bool wait);
    // Runs jobs and housekeeping until the quit flag is set or a stop signal
    // has come.
    void RunMainLoop();
    // One housekeeping step at up-time `now` (ms).
    void Housekeeping(uint64_t now);
    bool QuitRequested() const { return quit_; }

    MovieThread& Movies() { return *movies_; }

    // States whose client reference NewState handed out and ReleaseState has
    // not yet dropped.
    void HoldState(QT_Msg* state);
    // Drops the client reference once; later calls do nothing. Answers
    // whether it dropped one.
    bool DropState(QT_Msg* state);
    // At shutdown: disposes every state still held on the movie thread and
    // drops its reference, so no section outlives the server.
    void DropHeldStates();
    // At shutdown: stops the movie thread. A thread that does not end in time
    // is abandoned (see MovieThread::Stop) and kept out of the destructor.
    bool StopMovieThread(int64_t timeoutMs);

  private:
    static int SetQuitFlag(void* user, void* argument);

    EventQueue jobs_;
    std::atomic<int32_t> references_{0};
    int attribute_ = 0;
    double idleTimeoutSeconds_ = 0.0;
    double noClientTimeoutSeconds_ = 0.0;
    bool quit_ = false; // main thread only
    int expectedConnections_ = kExpectedConnections;
    // Written by library threads (OnHostCall), read by housekeeping.
    std::atomic<uint64_t> lastActivity_;
    // Up-time of the start or of the last client's leaving; written by
    // library threads (OnHostDisconnect), read by housekeeping.
    std::atomic<uint64_t> lastClientLeft_;
    std::unique_ptr<MovieThread> movies_;
    std::mutex heldStatesLock_; // guards heldStates_
    std::unordered_set<QT_Msg*> heldStates_;
};

// The one application object, while it exists.
extern std::atomic<TsQTServerApp*> g_QTServerApp;
