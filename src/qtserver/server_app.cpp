// The application object and the main loop.
#include "server_app.h"

#include "message_codes.h"
#include "movie_state.h"
#include "stop_signals.h"

#include "tarsel/platform.h"

#include <vector>

std::atomic<TsQTServerApp*> g_QTServerApp{nullptr};

TsQTServerApp::TsQTServerApp(MovieThread::RegistryReader readRegistry)
    : lastActivity_(Tarsel::Platform::GetUpTime()), lastClientLeft_(lastActivity_.load()),
      movies_(readRegistry ? std::make_unique<MovieThread>(std::move(readRegistry))
                           : std::make_unique<MovieThread>()) {
    _SetScriptInfo(&TarselQTServerClass());
    g_QTServerApp.store(this);
}

TsQTServerApp::~TsQTServerApp() {
    TsQTServerApp* self = this;
    g_QTServerApp.compare_exchange_strong(self, nullptr);
    // Jobs nobody ran: wake their waiters or free them.
    while (QueueNode* node = jobs_.Get()) {
        auto* job = dynamic_cast<ExecNode*>(node);
        if (job && job->completion)
            job->completion->Signal();
        else
            delete node;
    }
}

int32_t TsQTServerApp::AddRef() {
    return references_.fetch_add(1) + 1;
}

int32_t TsQTServerApp::Release() {
    int32_t count = references_.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return count;
}

void TsQTServerApp::OnHostConnect(int) {}

void TsQTServerApp::OnHostCall(int) {
    lastActivity_.store(Tarsel::Platform::GetUpTime());
}

void TsQTServerApp::OnHostDisconnect(int) {
    lastClientLeft_.store(Tarsel::Platform::GetUpTime());
}

void TsQTServerApp::OnHostHook4() {}
void TsQTServerApp::OnHostHook5() {}

int TsQTServerApp::OnHostQuery(TsID) {
    return 0;
}

int TsQTServerApp::RunOnMainThread(ScriptMainThreadFunc func, void* user, void* argument,
                                   bool wait) {
    auto* job = new ExecNode;
    job->func = func;
    job->user = user;
    job->argument = argument;
    if (!wait) {
        jobs_.Put(job);
        return 0;
    }
    Event done;
    job->completion = &done;
    job->result = 0;
    jobs_.Put(job);
    done.Wait(-1);
    int result = job->result;
    delete job;
    return result;
}

void TsQTServerApp::RunMainLoop() {
    uint64_t lastHousekeeping = Tarsel::Platform::GetUpTime();
    while (!quit_ && StopSignalReceived() == 0) {
        jobs_.Wait(kMainLoopWaitMs);
        while (QueueNode* node = jobs_.Get()) {
            auto* job = dynamic_cast<ExecNode*>(node);
            if (!job) continue; // not ours to run or free
            job->result = job->func ? job->func(job->user, job->argument) : 0;
            if (job->completion)
                job->completion->Signal();
            else
                delete job;
        }
        uint64_t now = Tarsel::Platform::GetUpTime();
        if (now - lastHousekeeping >= kHousekeepingIntervalMs) {
            Housekeeping(now);
            lastHousekeeping = now;
        }
    }
}

namespace {

// Whether `timeoutSeconds` (> 0) have passed from `since` to `now` (ms).
bool TimedOut(uint64_t now, uint64_t since, double timeoutSeconds) {
    return timeoutSeconds > 0.0 && now >= since &&
           static_cast<double>(now - since) >= timeoutSeconds * 1000.0;
}

} // namespace

void TsQTServerApp::Housekeeping(uint64_t now) {
    const int connections = GetNumConnections();
    const bool quit = connections == 0
                          ? TimedOut(now, lastClientLeft_.load(), noClientTimeoutSeconds_)
                          : connections == expectedConnections_ &&
                                TimedOut(now, lastActivity_.load(), idleTimeoutSeconds_);
    if (quit) RunOnMainThread(&SetQuitFlag, this, nullptr, false);
}

int TsQTServerApp::SetQuitFlag(void* user, void*) {
    static_cast<TsQTServerApp*>(user)->quit_ = true;
    return 0;
}

void TsQTServerApp::HoldState(QT_Msg* state) {
    state->creationReferenceHeld.store(true);
    std::lock_guard guard(heldStatesLock_);
    heldStates_.insert(state);
}

bool TsQTServerApp::DropState(QT_Msg* state) {
    if (!state->creationReferenceHeld.exchange(false)) return false;
    {
        std::lock_guard guard(heldStatesLock_);
        heldStates_.erase(state);
    }
    state->DecRef();
    return true;
}

void TsQTServerApp::DropHeldStates() {
    std::vector<QT_Msg*> states;
    {
        std::lock_guard guard(heldStatesLock_);
        for (QT_Msg* state : heldStates_) {
            state->IncRef(); // keeps it while the movie thread disposes it
            states.push_back(state);
        }
    }
    for (QT_Msg* state : states) {
        movies_->Ask(*state, kCodeDispose);
        DropState(state);
        state->DecRef();
    }
}

bool TsQTServerApp::StopMovieThread(int64_t timeoutMs) {
    if (movies_->Stop(timeoutMs)) return true;
    (void)movies_.release(); // still in use by the abandoned thread
    return false;
}
