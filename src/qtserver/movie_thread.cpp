// The movie thread.
#include "movie_thread.h"

#include "message_codes.h"
#include "message_dispatch.h"
#include "movie_library.h"
#include "movie_state.h"
#include "server_counters.h"

#include "platform/message_pump.h"

#include <pthread.h>

namespace {

// Flags the module is initialised with.
constexpr int32_t kInitialiseFlags = 0;

// Sends a detached call's answer, if the message carries one.
void SendDeferredReply(QT_Msg& message) {
    if (!message.deferredReply) return;
    message.deferredReply->SendReply();
    message.deferredReply.reset();
}

} // namespace

MovieThread::MovieThread(RegistryReader readRegistry)
    : readRegistry_(std::move(readRegistry)), port_(new TsQTMsgPort(false)),
      ended_(Tarsel::Platform::NewEvent(true, false)) {}

MovieThread::~MovieThread() {
    Stop(-1);
    std::lock_guard guard(startLock_);
    if (abandoned_) return; // the thread still uses the port and the event
    port_->DecRef();
    Tarsel::Platform::CloseEvent(ended_);
}

platform::RegistryValues MovieThread::ReadServerRegistryValues() {
    return ReadServerRegistry();
}

bool MovieThread::Ensure() {
    std::lock_guard guard(startLock_);
    if (startCount_ > 0) return ready_;
    ready_ = false;
    ++startCount_;
    thread_ = std::thread(&MovieThread::Run, this, &messages_);

    auto* hello = new QT_Msg; // its only reference travels with it
    auto* replyPort = new TsQTMsgPort;
    hello->SetCode(kCodeInitialise);
    hello->SetReplyPort(replyPort);
    port_->Put(hello); // the port is still closed to everything else
    Tarsel::Platform::WaitEvent(replyPort->Signal(), -1);
    while (TsQTMessage* answer = replyPort->Get()) {
        if (static_cast<QT_Msg*>(answer)->success) ready_ = true;
        answer->Reply(); // no reply port any more: releases it
    }
    replyPort->DecRef();
    return ready_;
}

bool MovieThread::Ask(QT_Msg& message, uint32_t code) {
    message.success = 0;
    return ::Ask(*port_, message, code);
}

bool MovieThread::Post(QT_Msg* message) {
    return message && port_->PutWhileOpen(message);
}

bool MovieThread::Stop(int64_t timeoutMs) {
    std::lock_guard guard(startLock_);
    if (!thread_.joinable()) return !abandoned_;
    auto* quit = new QT_Msg;
    quit->SetCode(kCodeQuit);
    port_->Put(quit);
    if (!Tarsel::Platform::WaitEvent(ended_, timeoutMs)) {
        thread_.detach();
        abandoned_ = true;
        return false;
    }
    thread_.join();
    return true;
}

std::shared_ptr<platform::MessageQueue> MovieThread::Messages() {
    std::lock_guard guard(startLock_);
    return messages_;
}

int MovieThread::StartCount() {
    std::lock_guard guard(startLock_);
    return startCount_;
}

void MovieThread::Run(std::shared_ptr<platform::MessageQueue>* queue) {
    pthread_setname_np(pthread_self(), kMovieThreadName);
    // Handed to Ensure, which still holds the start lock and waits for "QTIN".
    *queue = platform::ThisThreadMessages();
    MovieLibrary library(readRegistry_());
    // The foundation module is loaded first and kept while the thread runs;
    // whether it is there does not matter.
    platform::LoadedModule foundation = library.LoadByName(kFoundationModuleName);
    const bool initialised = library.Initialize(kInitialiseFlags) == movie::kNoError;
    if (initialised) {
        Counters().movieLibraryVersion.store(library.QueryVersion());
        port_->Open(); // before the answer: a caller told "ready" is never refused
    }

    // Answer the first "QTIN"; anything else waits for the loop.
    for (;;) {
        Tarsel::Platform::WaitEvent(port_->Signal(), -1);
        if (TsQTMessage* hello = port_->TakeFirstWithCode(kCodeInitialise)) {
            static_cast<QT_Msg*>(hello)->success = initialised ? 1 : 0;
            hello->Reply();
            break;
        }
    }

    if (initialised) {
        library.Call(movie::kEnterMovies, nullptr);
        Serve(library);
        port_->Close();
        FailQueued();
        platform::ThisThreadMessages()->Pump();
        library.Call(movie::kExitMovies, nullptr);
        library.Terminate();
    } else {
        platform::ThisThreadMessages()->Pump();
    }
    Tarsel::Platform::SetEvent(ended_);
}

void MovieThread::Serve(MovieLibrary& library) {
    std::shared_ptr<platform::MessageQueue> messages = platform::ThisThreadMessages();
    bool quit = false;
    while (!quit) {
        messages->Pump();
        // Input wakes the wait through the port's signal; the port is drained
        // after every wake either way.
        platform::WaitForSignalOrInput(port_->Signal(), platform::kWakeOnAllInput, -1);
        while (TsQTMessage* message = port_->Get()) {
            if (message->Code() == kCodeQuit) {
                quit = true; // after the rest of this batch
                message->Reply();
                continue;
            }
            auto* state = dynamic_cast<QT_Msg*>(message);
            if (state) {
                DispatchMessage(*state, library);
                SendDeferredReply(*state);
            }
            message->Reply();
        }
    }
}

void MovieThread::FailQueued() {
    while (TsQTMessage* message = port_->Get()) {
        if (auto* state = dynamic_cast<QT_Msg*>(message)) {
            state->success = 0;
            SendDeferredReply(*state);
        }
        message->Reply();
    }
}
