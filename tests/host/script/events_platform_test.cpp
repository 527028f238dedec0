// Events, queues and the platform helpers.
#include "tarsel/events.h"
#include "tarsel/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace Platform = Tarsel::Platform;

TEST(Events, ASignalReleasesOneWaitAndResets) {
    Event event;
    EXPECT_FALSE(event.Wait(0));
    event.Signal();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(20)); // reset by the successful wait
}

TEST(Events, AWaitEndsWhenAnotherThreadSignals) {
    Event event;
    std::thread signaller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        event.Signal();
    });
    EXPECT_TRUE(event.Wait(-1));
    signaller.join();
}

struct Numbered : QueueNode {
    explicit Numbered(int n) : number(n) {}
    int number;
};

TEST(EventQueues, NodesComeOutInOrder) {
    EventQueue queue;
    EXPECT_EQ(queue.Get(), nullptr);
    EXPECT_FALSE(queue.Wait(10));
    Numbered a(1), b(2);
    queue.Put(&a);
    queue.Put(&b);
    queue.Put(nullptr); // ignored
    EXPECT_EQ(queue.Count(), 2u);
    EXPECT_TRUE(queue.Wait(0));
    EXPECT_EQ(queue.Get(), &a);
    EXPECT_EQ(queue.Get(), &b);
    EXPECT_EQ(queue.Get(), nullptr);
}

TEST(EventQueues, ConsumerSeesEveryNodeFromManyProducers) {
    EventQueue queue;
    constexpr int kProducers = 4, kEach = 500;
    std::vector<Numbered> nodes;
    nodes.reserve(kProducers * kEach);
    for (int i = 0; i < kProducers * kEach; ++i)
        nodes.emplace_back(i);
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&, p] {
            for (int i = 0; i < kEach; ++i)
                queue.Put(&nodes[p * kEach + i]);
        });
    std::vector<bool> seen(nodes.size());
    int received = 0;
    while (received < kProducers * kEach) {
        ASSERT_TRUE(queue.Wait(10000));
        while (QueueNode* node = queue.Get()) {
            int n = static_cast<Numbered*>(node)->number;
            ASSERT_FALSE(seen[n]);
            seen[n] = true;
            ++received;
        }
    }
    for (auto& producer : producers)
        producer.join();
}

TEST(PlatformEvents, AutoResetReleasesOneWaitPerSignal) {
    Platform::EventHandle event = Platform::NewEvent(false, false);
    EXPECT_FALSE(Platform::WaitEvent(event, 0));
    Platform::SetEvent(event);
    EXPECT_TRUE(Platform::WaitEvent(event, 0));
    EXPECT_FALSE(Platform::WaitEvent(event, 0));
    Platform::CloseEvent(event);
}

TEST(PlatformEvents, ManualResetStaysSetUntilReset) {
    Platform::EventHandle event = Platform::NewEvent(true, true);
    EXPECT_TRUE(Platform::WaitEvent(event, 0));
    EXPECT_TRUE(Platform::WaitEvent(event, 0));
    Platform::ResetEvent(event);
    EXPECT_FALSE(Platform::WaitEvent(event, 10));
    Platform::CloseEvent(event);
}

TEST(PlatformAtomics, AnswerOldOrNewValues) {
    volatile int32_t word = 0;
    EXPECT_EQ(Platform::AtomicExchange32(&word, 1), 0);
    EXPECT_EQ(Platform::AtomicExchange32(&word, 0), 1);
    EXPECT_EQ(Platform::AtomicIncrement32(&word), 1);
    EXPECT_EQ(Platform::AtomicDecrement32(&word), 0);
}

TEST(PlatformAtomics, IncrementsFromManyThreadsAreNotLost) {
    volatile int32_t word = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i)
                Platform::AtomicIncrement32(&word);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(word, 40000);
}

TEST(PlatformMisc, TimeProcessAndFiles) {
    uint64_t start = Platform::GetUpTime();
    Platform::Wait(20);
    EXPECT_GE(Platform::GetUpTime() - start, 20u);
    EXPECT_EQ(Platform::GetCurrentProcessID(), static_cast<uint32_t>(getpid()));
    std::string path = "/tmp/tarsel-platform-" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_TRUE(Platform::RemoveFile(path.c_str()));
    EXPECT_FALSE(Platform::RemoveFile(path.c_str()));
    EXPECT_FALSE(Platform::RemoveFile(nullptr));
}

} // namespace
