#include <gtest/gtest.h>

#include <cstring>

#include "engine/blocks.h"
#include "engine/exports.h"

namespace kv::engine {
namespace {

class EngineBlocksTest : public ::testing::Test {
protected:
    void TearDown() override { Blocks().FreeAll(); }
};

TEST_F(EngineBlocksTest, BlockIsZeroFilledAndAtLeastTheRequestedSize)
{
    uint32_t h = MidiLibAllocBlock(100);
    ASSERT_NE(h, 0u);
    // 100 rounded up to the 16-byte granule is 112.
    EXPECT_EQ(Blocks().Size(h), 112u);
    auto* p = static_cast<uint8_t*>(MidiLibLockBlock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 112; ++i)
        ASSERT_EQ(p[i], 0) << i;
    memcpy(p, "hello", 5);
    EXPECT_EQ(MidiLibUnlockBlock(h), 0);
    char out[5];
    EXPECT_EQ(MidiLibReadBlock(out, h, 5), 1);
    EXPECT_EQ(memcmp(out, "hello", 5), 0);
    EXPECT_EQ(MidiLibFreeBlock(h), 0u);
}

TEST_F(EngineBlocksTest, LockCountsNest)
{
    uint32_t h = MidiLibAllocBlock(8);
    ASSERT_NE(h, 0u);
    ASSERT_NE(MidiLibLockBlock(h), nullptr);
    ASSERT_NE(MidiLibLockBlock(h), nullptr);
    EXPECT_EQ(MidiLibUnlockBlock(h), 1);
    EXPECT_EQ(MidiLibUnlockBlock(h), 0);
    EXPECT_EQ(MidiLibUnlockBlock(h), 0);  // not locked: nothing to undo
}

TEST_F(EngineBlocksTest, BadRequestsAreRefused)
{
    EXPECT_EQ(MidiLibAllocBlock(0), 0u);
    EXPECT_EQ(MidiLibAllocBlock(0xFFFFFFFFu), 0u);
    uint32_t h = MidiLibAllocBlock(16);
    ASSERT_NE(h, 0u);
    char out[32];
    // Past the block's end, to no destination, from no block.
    EXPECT_EQ(MidiLibReadBlock(out, h, 17), 0);
    EXPECT_EQ(MidiLibReadBlock(nullptr, h, 1), 0);
    EXPECT_EQ(MidiLibReadBlock(out, 0, 1), 0);
    EXPECT_EQ(MidiLibLockBlock(0), nullptr);
    EXPECT_EQ(MidiLibFreeBlock(0), 0u);  // the handle handed back is 0 itself
    EXPECT_EQ(MidiLibFreeBlock(h), 0u);
    // A freed handle fails everywhere, and freeing it twice reports it back.
    EXPECT_EQ(MidiLibLockBlock(h), nullptr);
    EXPECT_EQ(MidiLibReadBlock(out, h, 1), 0);
    EXPECT_EQ(MidiLibFreeBlock(h), h);
}

TEST_F(EngineBlocksTest, StaleHandleNeverReachesTheSlotsNextBlock)
{
    uint32_t first = MidiLibAllocBlock(16);
    ASSERT_NE(first, 0u);
    ASSERT_EQ(MidiLibFreeBlock(first), 0u);
    uint32_t second = MidiLibAllocBlock(16);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(MidiLibLockBlock(first), nullptr);
    EXPECT_NE(MidiLibLockBlock(second), nullptr);
}

TEST_F(EngineBlocksTest, TableFullGivesErrorThirteen)
{
    for (uint32_t i = 0; i < BlockTable::kSlots; ++i)
        ASSERT_NE(MidiLibAllocBlock(1), 0u) << i;
    MidiLibGetError(nullptr, 0);
    EXPECT_EQ(MidiLibAllocBlock(1), 0u);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrMemory);
}

}  // namespace
}  // namespace kv::engine
