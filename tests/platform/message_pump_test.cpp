// Thread messages: posted work runs on the thread that pumps, and wakes its
// wait for a signal or input.
#include "platform/message_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

namespace Events = Tarsel::Platform;
using platform::WaitResult;

class SignalEvent {
  public:
    SignalEvent() : handle_(Events::NewEvent(false, false)) {}
    ~SignalEvent() { Events::CloseEvent(handle_); }
    Events::EventHandle get() const { return handle_; }

  private:
    Events::EventHandle handle_;
};

TEST(MessagePump, PostedMessagesRunInOrderOnThePumpingThread) {
    auto queue = platform::ThisThreadMessages();
    std::vector<int> ran;
    std::thread::id ranOn;
    std::thread poster([&] {
        for (int i = 1; i <= 3; ++i)
            queue->Post([&ran, &ranOn, i] {
                ran.push_back(i);
                ranOn = std::this_thread::get_id();
            });
    });
    poster.join();
    EXPECT_TRUE(ran.empty()); // nothing runs until the owner pumps
    EXPECT_EQ(queue->Pump(), 3);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(queue->Pump(), 0);
}

TEST(MessagePump, AWaitWakesForInputForTheSignalAndAfterItsTime) {
    SignalEvent signal;
    auto queue = platform::ThisThreadMessages();
    std::thread poster([&] { queue->Post([] {}); });
    EXPECT_EQ(platform::WaitForSignalOrInput(signal.get(), platform::kWakeOnAllInput, -1),
              WaitResult::Input);
    poster.join();
    EXPECT_EQ(queue->Pump(), 1);

    std::thread setter([&] { Events::SetEvent(signal.get()); });
    EXPECT_EQ(platform::WaitForSignalOrInput(signal.get(), platform::kWakeOnAllInput, -1),
              WaitResult::Signalled);
    setter.join();

    EXPECT_EQ(platform::WaitForSignalOrInput(signal.get(), platform::kWakeOnAllInput, 20),
              WaitResult::TimedOut);
}

TEST(MessagePump, WithoutAWakeMaskInputDoesNotWake) {
    SignalEvent signal;
    auto queue = platform::ThisThreadMessages();
    queue->Post([] {});
    EXPECT_EQ(platform::WaitForSignalOrInput(signal.get(), 0, 20), WaitResult::TimedOut);
    // With the mask, input already waiting answers at once.
    EXPECT_EQ(platform::WaitForSignalOrInput(signal.get(), platform::kWakeOnAllInput, -1),
              WaitResult::Input);
    EXPECT_EQ(queue->Pump(), 1);
}

} // namespace
