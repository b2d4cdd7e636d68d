// The block expander with no helper and with several: blocks come back in
// order whatever order they finish in, a bad block fails alone, and a stop
// with blocks still out leaves the expander usable.
#include "packlib/block_expander.h"

#include <gtest/gtest.h>

#include <cstring>

#include "packlib/tests/container_test_support.h"

namespace kb::pack {
namespace {

using testing::Bytes;
using testing::Pattern;
using testing::Zlib;

constexpr size_t kRoom = 4096;

// Block k: 1,000 to 4,000 bytes of pattern, so blocks differ in size and time.
Bytes Plain(uint32_t k) { return Pattern(1000 + (k * 733) % 3001, k + 1); }

void Hand(BlockExpander& e, uint32_t k, const Bytes& stored, size_t expected) {
    ASSERT_LE(stored.size(), kRoom);
    std::memcpy(e.Input(k), stored.data(), stored.size());
    e.Submit(k, stored.size(), expected);
}

class BlockExpanderTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(BlockExpanderTest, BlocksComeBackInOrderThroughTheRing) {
    BlockExpander e(kRoom, kRoom);
    ASSERT_TRUE(e.Start(GetParam()));
    EXPECT_EQ(e.Depth(), GetParam() + 2);
    const uint32_t count = 40;  // many times round the ring
    uint32_t taken = 0;
    for (uint32_t k = 0; k < count; ++k) {
        if (k - taken == e.Depth()) {
            const Bytes want = Plain(taken);
            const uint8_t* got = e.Take(taken);
            ASSERT_NE(got, nullptr) << taken;
            EXPECT_EQ(Bytes(got, got + want.size()), want) << taken;
            ++taken;
        }
        Hand(e, k, Zlib(Plain(k)), Plain(k).size());
    }
    for (; taken < count; ++taken) {
        const Bytes want = Plain(taken);
        const uint8_t* got = e.Take(taken);
        ASSERT_NE(got, nullptr) << taken;
        EXPECT_EQ(Bytes(got, got + want.size()), want) << taken;
    }
}

TEST_P(BlockExpanderTest, ABadBlockFailsAloneAndTheOthersStillExpand) {
    BlockExpander e(kRoom, kRoom);
    ASSERT_TRUE(e.Start(GetParam()));
    ASSERT_GE(e.Depth(), 2u);
    struct Case {
        const char* what;
        Bytes stored;
        size_t expected;
        bool ok;
    };
    const Case cases[] = {
        {"sound", Zlib(Plain(0)), Plain(0).size(), true},
        {"not zlib", Bytes(50, 0x55), 100, false},
        {"one byte short of expected", Zlib(Plain(1)), Plain(1).size() + 1, false},
        {"one byte over expected", Zlib(Plain(1)), Plain(1).size() - 1, false},
        {"expected beyond the room", Zlib(Plain(1)), kRoom + 1, false},
        {"empty block", Zlib({}), 0, true},
    };
    uint32_t k = 0;
    for (const Case& c : cases) {
        Hand(e, k, c.stored, c.expected);
        EXPECT_EQ(e.Take(k) != nullptr, c.ok) << c.what;
        ++k;
    }
}

TEST_P(BlockExpanderTest, AStopWithBlocksOutLeavesTheExpanderUsable) {
    BlockExpander e(kRoom, kRoom);
    ASSERT_TRUE(e.Start(GetParam()));
    for (uint32_t k = 0; k < e.Depth(); ++k) Hand(e, k, Zlib(Plain(k)), Plain(k).size());
    e.Stop();
    // What was handed over still comes back right when asked for.
    const uint8_t* first = e.Take(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Bytes(first, first + Plain(0).size()), Plain(0));

    ASSERT_TRUE(e.Start(GetParam()));
    Hand(e, 0, Zlib(Plain(7)), Plain(7).size());
    const uint8_t* again = e.Take(0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Bytes(again, again + Plain(7).size()), Plain(7));
}

INSTANTIATE_TEST_SUITE_P(Helpers, BlockExpanderTest, ::testing::Values(0u, 1u, 3u));

TEST(BlockExpanderHelpers, NoneForOneBlockAndNeverMoreThanBlocksAfterTheFirst) {
    EXPECT_EQ(BlockExpander::HelpersFor(0), 0u);
    EXPECT_EQ(BlockExpander::HelpersFor(1), 0u);
    EXPECT_LE(BlockExpander::HelpersFor(2), 1u);
    EXPECT_LE(BlockExpander::HelpersFor(1000), 3u);
}

}  // namespace
}  // namespace kb::pack
