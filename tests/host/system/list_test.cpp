// Behaviour of List and LockableObject: order, ownership and locking between threads.
#include "tarsel/system/list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

void* Tagged(intptr_t n) {
    return reinterpret_cast<void*>(n);
}

std::vector<intptr_t> Items(const List& list) {
    std::vector<intptr_t> items;
    list.ForEach([&](std::size_t, const List::Node& node) {
        items.push_back(reinterpret_cast<intptr_t>(node.Item));
        return true;
    });
    return items;
}

TEST(ListOrder, NodesKeepTheirPlaceAndData) {
    List list;
    list.AddTail(Tagged(2), Tagged(20));
    list.AddHead(Tagged(1), Tagged(10));
    list.AddTail(Tagged(4));
    EXPECT_TRUE(list.InsertAt(2, Tagged(3), Tagged(30)));
    EXPECT_FALSE(list.InsertAt(9, Tagged(9)));
    EXPECT_EQ(Items(list), (std::vector<intptr_t>{1, 2, 3, 4}));
    EXPECT_EQ(list.GetData(2), Tagged(30));
    EXPECT_EQ(list.GetData(3), nullptr);
    EXPECT_TRUE(list.SetData(3, Tagged(40)));
    List::Node node;
    ASSERT_TRUE(list.GetNode(3, node));
    EXPECT_EQ(node.Item, Tagged(4));
    EXPECT_EQ(node.Data, Tagged(40));
    EXPECT_FALSE(list.GetNode(4, node));
    EXPECT_EQ(list.GetItem(7), nullptr);
    EXPECT_EQ(list.IndexOf(Tagged(3)), 2);
    EXPECT_EQ(list.IndexOf(Tagged(8)), -1);
}

TEST(ListOrder, ForEachStopsWhenTheVisitorAnswersFalse) {
    List list(false);
    for (intptr_t i = 1; i <= 5; ++i)
        list.AddTail(Tagged(i));
    std::vector<std::size_t> seen;
    list.ForEach([&](std::size_t index, const List::Node&) {
        seen.push_back(index);
        return index < 2;
    });
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1, 2}));
}

TEST(ListOwnership, DisposerRunsForDeletedEntriesOnly) {
    std::vector<std::string> disposed;
    {
        List list(true, [&](void* item, void* data) {
            auto* text = static_cast<std::string*>(item);
            disposed.push_back(*text + "/" + std::to_string(reinterpret_cast<intptr_t>(data)));
            delete text;
        });
        list.AddTail(new std::string("a"), Tagged(1));
        list.AddTail(new std::string("b"), Tagged(2));
        list.AddTail(new std::string("c"), Tagged(3));
        list.AddTail(new std::string("d"), Tagged(4));
        auto* kept = static_cast<std::string*>(list.GetItem(0));
        EXPECT_TRUE(list.Remove(kept)); // unlinked, still ours
        EXPECT_TRUE(disposed.empty());
        delete kept;
        EXPECT_TRUE(list.DeleteAt(1));
        EXPECT_EQ(disposed, (std::vector<std::string>{"c/3"}));
        EXPECT_FALSE(list.DeleteAt(5));
        List::Node removed;
        EXPECT_TRUE(list.RemoveAt(1, &removed));
        delete static_cast<std::string*>(removed.Item);
        EXPECT_EQ(list.Count(), 1u);
    } // the destructor disposes of what is left
    EXPECT_EQ(disposed, (std::vector<std::string>{"c/3", "b/2"}));
}

TEST(ListLocking, ConcurrentAppendsAreAllKept) {
    List list;
    std::vector<std::thread> threads;
    for (intptr_t t = 0; t < 4; ++t) {
        threads.emplace_back([&list, t] {
            for (intptr_t i = 0; i < 1000; ++i)
                list.AddTail(Tagged(t * 1000 + i + 1));
        });
    }
    for (auto& thread : threads)
        thread.join();
    ASSERT_EQ(list.Count(), 4000u);
    std::vector<bool> present(4001, false);
    for (intptr_t item : Items(list))
        present[item] = true;
    EXPECT_EQ(std::count(present.begin() + 1, present.end(), true), 4000);
}

TEST(ListLocking, AUserMayLockALockingListAroundItsOwnCalls) {
    List list;
    list.ObtainLock();
    list.AddTail(Tagged(1)); // the list's own lock is recursive for this thread
    EXPECT_EQ(list.Count(), 1u);
    std::atomic<bool> added{false};
    std::thread other([&] {
        list.AddTail(Tagged(2));
        added = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(added.load());
    list.ReleaseLock();
    other.join();
    EXPECT_EQ(Items(list), (std::vector<intptr_t>{1, 2}));
}

TEST(LockableObjectModes, ExclusiveLockIsRecursiveAndExcludesOthers) {
    LockableObject lock;
    lock.ObtainLock();
    lock.ObtainLock();
    EXPECT_TRUE(lock.IsLockedByMe());
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = lock.TryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
    lock.ReleaseLock();
    std::thread([&] { otherGotIt = lock.TryLock(); }).join();
    EXPECT_FALSE(otherGotIt); // still held once
    lock.ReleaseLock();
    EXPECT_FALSE(lock.IsLockedByMe());
    std::thread([&] {
        otherGotIt = lock.TryLock();
        if (otherGotIt) lock.ReleaseLock();
    }).join();
    EXPECT_TRUE(otherGotIt);
}

TEST(LockableObjectModes, ReadLocksAreSharedButKeepWritersOut) {
    LockableObject lock;
    lock.ObtainReadLock();
    bool secondReader = false;
    std::thread([&] {
        lock.ObtainReadLock(); // would hang if read locks were exclusive
        secondReader = true;
        lock.ReleaseReadLock();
    }).join();
    EXPECT_TRUE(secondReader);
    bool writer = true;
    std::thread([&] { writer = lock.TryLock(); }).join();
    EXPECT_FALSE(writer);

    std::atomic<bool> written{false};
    std::thread waiting([&] {
        lock.ObtainLock();
        written = true;
        lock.ReleaseLock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(written.load());
    lock.ReleaseReadLock();
    waiting.join();
    EXPECT_TRUE(written.load());
}

TEST(LockableObjectModes, OwnerMayReadLockAndStrayReleasesDoNothing) {
    LockableObject lock;
    lock.ReleaseLock();     // not held: ignored
    lock.ReleaseReadLock(); // none held: ignored
    lock.ObtainLock();
    lock.ObtainReadLock();
    lock.ReleaseReadLock();
    bool other = true;
    std::thread([&] {
        lock.ReleaseLock(); // not the owner: ignored
        other = lock.TryLock();
    }).join();
    EXPECT_FALSE(other);
    lock.ReleaseLock();
    EXPECT_TRUE(lock.TryLock());
    lock.ReleaseLock();
}

TEST(LockableObjectModes, ExclusiveLockSerialisesCounting) {
    LockableObject lock;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                ObjectLock hold(lock);
                long seen = counter;
                counter = seen + 1;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 80000);
}

} // namespace
