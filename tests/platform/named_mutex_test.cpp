// Named mutexes exclude each other by name, within a process and across
// processes, and vanish with a holder that dies.
#include "platform/named_mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::NamedMutex;

std::string UniqueName(const char* label) {
    return std::string("TestMutex") + label + std::to_string(getpid());
}

TEST(NamedMutex, TwoHandlesOfOneNameExcludeEachOther) {
    const std::string name = UniqueName("Threads");
    NamedMutex first(name);
    ASSERT_TRUE(first.Lock());
    EXPECT_FALSE(first.Lock()); // not recursive
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        NamedMutex second(name);
        if (second.Lock()) {
            acquired = true;
            second.Unlock();
        }
    });
    // The other handle waits while the first holds the mutex.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(acquired.load());
    EXPECT_TRUE(first.Unlock());
    other.join();
    EXPECT_TRUE(acquired.load());
    EXPECT_FALSE(first.Unlock()); // not held any more
}

TEST(NamedMutex, DifferentNamesAreIndependent) {
    NamedMutex a(UniqueName("A"));
    NamedMutex b(UniqueName("B"));
    ASSERT_TRUE(a.Lock());
    EXPECT_TRUE(b.Lock());
}

TEST(NamedMutex, AHolderThatDiesReleasesIt) {
    const std::string name = UniqueName("Dies");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        NamedMutex held(name);
        held.Lock();
        char byte = 1;
        if (write(ready[1], &byte, 1) != 1) _exit(1);
        pause(); // killed while holding it
        _exit(0);
    }
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    std::atomic<bool> acquired{false};
    std::thread waiter([&] {
        NamedMutex mine(name);
        acquired = mine.Lock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(acquired.load()); // the other process holds it
    kill(child, SIGKILL);
    int status;
    waitpid(child, &status, 0);
    waiter.join();
    EXPECT_TRUE(acquired.load());
    close(ready[0]);
    close(ready[1]);
}

TEST(NamedMutex, BadNamesGiveHandlesThatCannotLock) {
    EXPECT_FALSE(NamedMutex("").Lock());
    EXPECT_FALSE(NamedMutex(std::string("a\0b", 3)).Lock());
    EXPECT_TRUE(NamedMutex(std::string(NamedMutex::kMaxNameLength, 'm')).Lock());
    EXPECT_FALSE(NamedMutex(std::string(NamedMutex::kMaxNameLength + 1, 'm')).Lock());
}

} // namespace
