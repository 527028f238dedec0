// The session handler's memory routines: size header, per-container pools of
// small blocks, and freeing a container's memory at once.
#include "handler_test_support.h"

#include <cstring>
#include <set>

namespace {

using handler_test::CountingSession;

class HandlerMemoryTest : public ::testing::Test {
  protected:
    void TearDown() override { CMReleaseHandlerSession(&state_.handler); }

    CMPtr allocate(CMContainer container, CMSize size) {
        return alloc_(container, &state_.handler, size);
    }
    void release(CMContainer container, CMPtr block) { free_(container, &state_.handler, block); }
    void releaseContainer(CMContainer container) { freeCtr_(container, &state_.handler); }
    const CMHandlerMemoryCounters& counters() const { return state_.handler.memory; }

    // Stand-ins for containers: the routines only compare the pointers.
    int containerA_ = 0, containerB_ = 0;
    CMContainer a() { return reinterpret_cast<CMContainer>(&containerA_); }
    CMContainer b() { return reinterpret_cast<CMContainer>(&containerB_); }

    CountingSession state_;
    CMAllocMemoryHandler alloc_ =
        reinterpret_cast<CMAllocMemoryHandler>(CMSessionMetaHandler(nullptr, CMAllocMemoryOpType));
    CMFreeMemoryHandler free_ =
        reinterpret_cast<CMFreeMemoryHandler>(CMSessionMetaHandler(nullptr, CMFreeMemoryOpType));
    CMFreeCtrMemoryHandler freeCtr_ = reinterpret_cast<CMFreeCtrMemoryHandler>(
        CMSessionMetaHandler(nullptr, CMFreeCtrMemoryOpType));
};

TEST_F(HandlerMemoryTest, ManySmallBlocksCostFewSystemAllocations) {
    std::vector<unsigned char*> blocks;
    for (int index = 0; index < 20000; ++index) {
        auto* block = static_cast<unsigned char*>(allocate(a(), 40));
        ASSERT_NE(block, nullptr);
        std::memset(block, index & 0xFF, 40);
        blocks.push_back(block);
    }
    // 20,000 blocks of 56 bytes (40 + header, rounded to 8) fill 12 chunks of
    // 100,000 bytes; one more allocation holds the pool record.
    EXPECT_EQ(counters().pooledAllocations, 20000u);
    EXPECT_EQ(counters().chunks, 12u);
    EXPECT_EQ(counters().systemAllocations, 13u);
    // No two blocks overlap: every block still holds its own pattern.
    for (size_t index = 0; index < blocks.size(); ++index) {
        for (size_t byte = 0; byte < 40; ++byte) {
            ASSERT_EQ(blocks[index][byte], index & 0xFF) << index;
        }
        ASSERT_EQ(reinterpret_cast<uintptr_t>(blocks[index]) % 8, 0u);
    }
    releaseContainer(a());
    EXPECT_EQ(counters().chunks, 0u);
    EXPECT_EQ(counters().systemFrees, counters().systemAllocations);
}

TEST_F(HandlerMemoryTest, FreedSmallBlocksAreReusedBySize) {
    CMPtr first = allocate(a(), 20);
    CMPtr second = allocate(a(), 20);
    CMPtr other = allocate(a(), 60);
    release(a(), first);
    release(a(), second);
    const uint64_t systemAllocations = counters().systemAllocations;
    // A size rounding to the same total (20 and 24 both take 40 bytes)
    // comes from the free list, most recently freed first.
    EXPECT_EQ(allocate(a(), 24), second);
    EXPECT_EQ(allocate(a(), 17), first);
    // A block of another rounded size is not taken for it.
    release(a(), first);
    CMPtr larger = allocate(a(), 60);
    EXPECT_NE(larger, first);
    EXPECT_NE(larger, other);
    EXPECT_EQ(allocate(a(), 20), first);
    EXPECT_EQ(counters().systemAllocations, systemAllocations);
    EXPECT_EQ(counters().allocations, 7u);
    EXPECT_EQ(counters().frees, 3u);
}

TEST_F(HandlerMemoryTest, OnlyTotalsBelow100BytesArePooled) {
    // 83 bytes plus the 16-byte header is 99: pooled. 84 makes 100: malloc.
    CMPtr pooled = allocate(a(), 83);
    EXPECT_EQ(counters().pooledAllocations, 1u);
    const uint64_t systemAllocations = counters().systemAllocations;
    CMPtr large = allocate(a(), 84);
    EXPECT_EQ(counters().pooledAllocations, 1u);
    EXPECT_EQ(counters().systemAllocations, systemAllocations + 1);
    release(a(), large);
    EXPECT_EQ(counters().systemFrees, 1u);
    release(a(), pooled);
    EXPECT_EQ(counters().systemFrees, 1u); // back on a free list, not freed
    EXPECT_EQ(allocate(a(), 81), pooled);  // 97 rounds to the same 104
}

TEST_F(HandlerMemoryTest, BlocksWithoutContainerUseMalloc) {
    CMPtr block = allocate(nullptr, 8);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(counters().pooledAllocations, 0u);
    EXPECT_EQ(counters().chunks, 0u);
    release(nullptr, block);
    EXPECT_EQ(counters().systemFrees, counters().systemAllocations);
}

TEST_F(HandlerMemoryTest, ContainersHaveSeparatePools) {
    CMPtr inA = allocate(a(), 32);
    CMPtr inB = allocate(b(), 32);
    EXPECT_EQ(counters().chunks, 2u);
    release(b(), inB);
    // B's freed block does not serve A.
    EXPECT_NE(allocate(a(), 32), inB);
    releaseContainer(b());
    EXPECT_EQ(counters().chunks, 1u);
    // A's blocks are untouched by freeing B.
    std::memset(inA, 0x5A, 32);
    EXPECT_EQ(static_cast<unsigned char*>(inA)[31], 0x5A);
}

TEST_F(HandlerMemoryTest, BlockFreedWithoutItsContainerReturnsToItsPool) {
    CMPtr block = allocate(a(), 32);
    release(nullptr, block); // a pooled block must never reach free()
    EXPECT_EQ(counters().systemFrees, 0u);
    EXPECT_EQ(allocate(a(), 32), block);
}

TEST_F(HandlerMemoryTest, APooledBlockFreedTwiceIsHandedOutOnce) {
    CMPtr block = allocate(a(), 32);
    release(a(), block);
    release(a(), block);
    EXPECT_EQ(allocate(a(), 32), block);
    EXPECT_NE(allocate(a(), 32), block);
}

TEST_F(HandlerMemoryTest, ReleasingTheSessionFreesRemainingPools) {
    for (int index = 0; index < 100; ++index) {
        allocate(a(), 10);
        allocate(b(), 10);
    }
    EXPECT_GT(counters().chunks, 0u);
    CMReleaseHandlerSession(&state_.handler);
    EXPECT_EQ(counters().chunks, 0u);
    EXPECT_EQ(counters().systemFrees, counters().systemAllocations);
    EXPECT_EQ(state_.handler.pools, nullptr);
}

TEST_F(HandlerMemoryTest, FreeingNothingIsHarmless) {
    release(a(), nullptr);
    releaseContainer(a()); // no pool yet
    releaseContainer(nullptr);
    EXPECT_EQ(counters().systemAllocations, 0u);
    EXPECT_EQ(counters().systemFrees, 0u);
}

TEST_F(HandlerMemoryTest, ImpossibleSizesFail) {
    EXPECT_EQ(allocate(nullptr, ~CMSize{0}), nullptr);
    EXPECT_EQ(counters().allocations, 0u);
}

} // namespace
