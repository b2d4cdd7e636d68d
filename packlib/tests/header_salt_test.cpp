#include "packlib/header_salt.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "packlib/crt_random.h"

namespace kb {
namespace {

TEST(CrtRandom, ClassicSequenceFromTheDefaultSeed) {
    // 1 * 214013 + 2531011 = 2745024, bits 16-30: 41; the next state gives 18467.
    CrtRandom random;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int value : expected)
        EXPECT_EQ(random.Next(), value);
    random.Seed(1);
    EXPECT_EQ(random.Next(), 41);
}

int64_t ClockAtOne() { return 1; }
int64_t ClockAtOnePlus2To32() { return (int64_t{1} << 32) + 1; }
int64_t ClockFixed() { return 1700000000; }

using Salt = std::array<uint8_t, CHeaderSalt::kSaltSize>;

TEST(MakePositionSalt, SeedOneGivesTheRuntimeDraws) {
    // First draw 41 = 0x29 is P; salt byte 0 is P's bit 7 (0), then the draws
    // 18467 6334 26500 19169 15724 11478 29358 mod 2: 1001000.
    CHeaderSalt salt(&ClockAtOne);
    Salt bytes{};
    EXPECT_EQ(salt.MakePositionSalt(bytes.data()), 0x29);
    EXPECT_EQ(bytes, (Salt{0x48, 0x1F, 0xEA, 0x24, 0xEA, 0x76, 0x6E, 0xCF}));
    EXPECT_EQ(CHeaderSalt::ReadSaltPosition(bytes.data()), 0x29);
}

TEST(MakePositionSalt, OnlyTheLow32BitsOfTheTimeSeed) {
    Salt a{}, b{};
    CHeaderSalt(&ClockAtOne).MakePositionSalt(a.data());
    CHeaderSalt(&ClockAtOnePlus2To32).MakePositionSalt(b.data());
    EXPECT_EQ(a, b);
}

TEST(MakePositionSalt, FixedSecondGivesFixedHeaderBytes) {
    // The same bytes in every build: a header written in the same second is identical.
    std::array<uint8_t, 256> block{};
    Salt bytes{};
    CHeaderSalt salt(&ClockFixed);
    EXPECT_EQ(salt.MakePositionSalt(bytes.data()), 46);
    EXPECT_EQ(bytes, (Salt{0x6B, 0x5B, 0xA1, 0x35, 0xCE, 0xBF, 0xBF, 0x27}));
    salt.MakeRoundsBlock(block.data(), bytes.data(), 200);
    EXPECT_EQ(block[46], 200);
    const uint8_t first[16] = {0x7F, 0x58, 0x9F, 0x0B, 0xF4, 0xE1, 0x8F, 0xD5,
                               0x04, 0xA4, 0xAC, 0x8D, 0xEA, 0x03, 0x9E, 0xCD};
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(block[i], first[i]) << i;
    EXPECT_EQ(block[255], 30);

    Salt again{};
    CHeaderSalt(&ClockFixed).MakePositionSalt(again.data());
    EXPECT_EQ(again, bytes);
}

TEST(MakeRoundsBlock, SkipsTheDrawAtThePositionAndDoesNotReseed) {
    CHeaderSalt salt(&ClockFixed);
    Salt bytes{};
    const uint8_t position = salt.MakePositionSalt(bytes.data());
    std::array<uint8_t, 256> block{};
    salt.MakeRoundsBlock(block.data(), bytes.data(), 7);

    CrtRandom reference(static_cast<uint32_t>(ClockFixed()));
    for (int draw = 0; draw < 1 + 56; ++draw)
        reference.Next();
    for (size_t i = 0; i < block.size(); ++i) {
        if (i == position) {
            EXPECT_EQ(block[i], 7);
        } else {
            EXPECT_EQ(block[i], reference.Next() % 256) << i;
        }
    }
}

TEST(ReadSaltPosition, TopBitsOnlyMostSignificantFirst) {
    struct Case {
        Salt salt;
        uint8_t position;
    };
    const Case cases[] = {
        {{0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F}, 0x00},
        {{0x80, 0xFF, 0x80, 0x80, 0x80, 0xC1, 0x80, 0x93}, 0xFF},
        {{0x80, 0x00, 0x80, 0x00, 0x00, 0x80, 0x00, 0x80}, 0xA5},
        {{0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 0x80},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF}, 0x01},
    };
    for (const Case& t : cases) {
        EXPECT_EQ(CHeaderSalt::ReadSaltPosition(t.salt.data()), t.position);
        std::array<uint8_t, 256> block{};
        CHeaderSalt salt(&ClockFixed);
        salt.MakeRoundsBlock(block.data(), t.salt.data(), 255);
        EXPECT_EQ(block[t.position], 255);
    }
}

}  // namespace
}  // namespace kb
