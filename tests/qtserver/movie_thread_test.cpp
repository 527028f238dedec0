// The movie thread: one start however many first calls race, the "QTIN"
// handshake, answers to many askers at once, "Quit" behind queued messages,
// and prompt failure once a thread has failed to start.
#include "movie_thread.h"

#include "message_codes.h"
#include "movie_state.h"
#include "test_registry.h"

#include "platform/message_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// Generous on a loaded machine; the thread normally ends at once.
constexpr int64_t kTestStopMs = 30000;

std::string EmptyFolder() {
    char pattern[] = "/tmp/tarsel-no-module-XXXXXX";
    return mkdtemp(pattern) ? pattern : "";
}

TEST(MovieThread, ConcurrentFirstCallsStartOneThreadAndAllSeeItReady) {
    MovieThread movies(MovieRegistryReader(TEST_MOVIE_MODULE_DIR));
    std::vector<std::thread> callers;
    std::atomic<int> ready{0};
    for (int i = 0; i < 8; ++i)
        callers.emplace_back([&] { ready += movies.Ensure() ? 1 : 0; });
    for (auto& caller : callers)
        caller.join();
    EXPECT_EQ(ready.load(), 8);
    EXPECT_EQ(movies.StartCount(), 1);
    EXPECT_TRUE(movies.Port().IsOpen());
    EXPECT_TRUE(movies.Stop(kTestStopMs));
    EXPECT_FALSE(movies.Port().IsOpen());
}

TEST(MovieThread, SixteenAskersAtOnceEachGetTheirOwnMessageBack) {
    MovieThread movies(MovieRegistryReader(TEST_MOVIE_MODULE_DIR));
    ASSERT_TRUE(movies.Ensure());
    constexpr int kAskers = 16;
    std::vector<QT_Msg*> states;
    for (int i = 0; i < kAskers; ++i) {
        states.push_back(new QT_Msg);
        states.back()->width = i; // tells the states apart
    }
    std::atomic<int> answered{0};
    std::vector<std::thread> askers;
    for (int i = 0; i < kAskers; ++i)
        askers.emplace_back([&, i] {
            for (int round = 0; round < 20; ++round) {
                QT_Msg& state = *states[i];
                bool asked = movies.Ask(state, round % 2 ? kCodeDispose : kCodeReleaseMap);
                if (asked && state.success == 1 && state.width == i && !state.ReplyPort())
                    ++answered;
            }
        });
    for (auto& asker : askers)
        asker.join();
    EXPECT_EQ(answered.load(), kAskers * 20);
    for (QT_Msg* state : states) {
        EXPECT_EQ(state->References(), 1); // every carried reference came back
        state->DecRef();
    }
    EXPECT_TRUE(movies.Stop(kTestStopMs));
}

TEST(MovieThread, CodesWithoutWorkAnswerFailure) {
    MovieThread movies(MovieRegistryReader(TEST_MOVIE_MODULE_DIR));
    ASSERT_TRUE(movies.Ensure());
    auto* state = new QT_Msg;
    state->success = 1;
    EXPECT_TRUE(movies.Ask(*state, kCodeLoadHeader));
    EXPECT_EQ(state->success, 0);
    EXPECT_TRUE(movies.Ask(*state, MessageCode("QTZZ")));
    EXPECT_EQ(state->success, 0);
    state->DecRef();
}

TEST(MovieThread, QuitBehindQueuedMessagesLetsTheBatchThrough) {
    MovieThread movies(MovieRegistryReader(TEST_MOVIE_MODULE_DIR));
    ASSERT_TRUE(movies.Ensure());
    // Hold the movie thread inside a thread message while the batch is queued.
    Tarsel::Platform::EventHandle holding = Tarsel::Platform::NewEvent(true, false);
    Tarsel::Platform::EventHandle release = Tarsel::Platform::NewEvent(true, false);
    std::shared_ptr<platform::MessageQueue> movieMessages = movies.Messages();
    ASSERT_TRUE(movieMessages);
    movieMessages->Post([&] {
        Tarsel::Platform::SetEvent(holding);
        Tarsel::Platform::WaitEvent(release, -1);
    });
    ASSERT_TRUE(Tarsel::Platform::WaitEvent(holding, kTestStopMs));

    // Quit first, then two messages with a reply port.
    auto* quit = new QT_Msg;
    quit->SetCode(kCodeQuit);
    movies.Port().Put(quit);
    auto* replies = new TsQTMsgPort;
    QT_Msg* behind[2] = {new QT_Msg, new QT_Msg};
    for (QT_Msg* message : behind) {
        message->SetReplyPort(replies);
        message->SetCode(kCodeDispose);
        message->IncRef(); // the reference the port carries
        ASSERT_TRUE(movies.Port().PutWhileOpen(message));
    }
    Tarsel::Platform::SetEvent(release);
    EXPECT_TRUE(movies.Stop(kTestStopMs));

    // Both were dispatched (disposing succeeds) and answered in order.
    EXPECT_EQ(replies->Count(), 2);
    for (QT_Msg* message : behind) {
        EXPECT_EQ(message->success, 1);
        EXPECT_EQ(replies->Get(), message);
        message->DecRef(); // the carried reference
        message->DecRef();
    }
    // The thread is gone: an asker is answered at once.
    auto* late = new QT_Msg;
    EXPECT_FALSE(movies.Ask(*late, kCodeDispose));
    late->DecRef();
    replies->DecRef();
    Tarsel::Platform::CloseEvent(holding);
    Tarsel::Platform::CloseEvent(release);
}

TEST(MovieThread, AFailedStartAnswersFalseFromThenOnWithoutASecondThread) {
    const std::string empty = EmptyFolder();
    MovieThread movies(MovieRegistryReader(empty));
    EXPECT_FALSE(movies.Ensure());
    EXPECT_FALSE(movies.Ensure());
    EXPECT_EQ(movies.StartCount(), 1);
    // Askers are not left waiting for a thread that takes no messages.
    auto* state = new QT_Msg;
    state->success = 1;
    EXPECT_FALSE(movies.Ask(*state, kCodeDispose));
    EXPECT_EQ(state->success, 0);
    EXPECT_EQ(state->References(), 1);
    EXPECT_FALSE(movies.Post(state));
    state->DecRef();
    EXPECT_TRUE(movies.Stop(kTestStopMs));
    rmdir(empty.c_str());
}

TEST(MovieThread, AThreadNeverStartedStopsAtOnce) {
    MovieThread movies(MovieRegistryReader(TEST_MOVIE_MODULE_DIR));
    EXPECT_TRUE(movies.Stop(kTestStopMs));
    EXPECT_EQ(movies.StartCount(), 0);
}

} // namespace
