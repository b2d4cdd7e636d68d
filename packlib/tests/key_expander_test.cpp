#include "packlib/key_expander.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kb {
namespace {

struct MixCase {
    uint8_t a;
    uint32_t j, i, r, c;
    uint8_t expected;
};

// One row per branch of the mixing table, each worked out by hand from the bit
// operations (x = j + i + r, f = i + r, row = x % 15).
const MixCase kMixCases[] = {
    // row 0, m = x % c
    {0xB4, 0, 0, 0, 5, 0xA6},    // m 0: swap(3-1, 6-4)
    {0xB4, 14, 1, 0, 7, 0x95},   // m 1: swap(2-0, 7-5)
    {0xB4, 14, 1, 0, 13, 0xD0},  // m 2: shl(2)
    {0xFF, 1, 0, 14, 19, 0x00},  // m 15: a shift by 8 or more leaves nothing
    // row 1: clearpair(isqrt(x) % 7, x)
    {0xB4, 1, 0, 0, 5, 0x94},    // x 1 odd, k 1: bits 6 and 5
    {0xB4, 10, 3, 3, 5, 0x84},   // x 16 even, k 4: bits 4 and 5
    {0xB4, 11, 10, 10, 5, 0xB0}, // x 31 odd, isqrt 5: bits 2 and 1
    // row 2: flip(x % 8)
    {0xB4, 2, 0, 0, 5, 0xB0},
    {0xB4, 7, 5, 5, 5, 0xB6},
    // row 3: clearpair(f % 7, x)
    {0xB4, 3, 0, 0, 5, 0x34},    // odd, k 0: bits 7 and 6
    {0xB4, 9, 4, 5, 5, 0xB0},    // x 18 even, k 2: bits 2 and 3
    // row 4, m = x % c
    {0xB4, 5, 7, 7, 19, 0x95},   // m 0: swap(2-0, 7-5)
    {0xB4, 4, 0, 0, 3, 0xA6},    // m 1: swap(3-1, 6-4)
    {0xB4, 9, 5, 5, 17, 0xB1},   // m 2: swap(1-0, 3-2)
    {0xB4, 9, 5, 5, 11, 0x2D},   // c > 8: h = f % 8 = 2, shr
    {0xB4, 3, 1, 0, 5, 0x5A},    // c <= 8: h = f % c = 1, shr
    {0x9D, 3, 1, 0, 5, 0x4E},    // as a signed char 0x9D would be below 2 and shift left to 0x3A
    {0x03, 2, 1, 1, 5, 0x0C},    // a below 2^h: shl
    {0x04, 2, 1, 1, 5, 0x01},    // a equal to 2^h: shr
    // row 5, m = f % c
    {0xB4, 5, 0, 0, 5, 0x94},    // m 0: flip(x % 8)
    {0xB4, 4, 1, 0, 5, 0xA6},    // m 1: swap(3-1, 6-4)
    {0xB4, 3, 2, 0, 5, 0x95},    // m 2: swap(2-0, 7-5)
    {0xB4, 2, 3, 0, 5, 0xB1},    // m 3: swap(1-0, 3-2)
    {0xB4, 1, 4, 0, 5, 0x0B},    // c <= 8: shr(m)
    {0xB4, 2, 9, 9, 19, 0x2D},   // c > 8: shr(f % 8)
    // row 6, m = x % c
    {0xB4, 6, 0, 0, 6, 0x9C},    // m 0: swap(3-2, 5-4)
    {0xB4, 3, 2, 1, 5, 0x94},    // m 1: flip((i + 3r) % 8)
    {0xFF, 1, 10, 10, 19, 0x99}, // m 2: AND 0x99
    {0xB4, 1, 10, 10, 18, 0xB1}, // m 3: swap(1-0, 3-2)
    {0xFF, 1, 10, 10, 17, 0x44}, // m 4: AND 0x44
    {0xFF, 1, 10, 10, 16, 0x4F}, // m 5: AND 0x4F
    {0xB4, 6, 5, 10, 11, 0x68},  // c > 8: shl((i + 2r) % 8)
    {0xB4, 3, 2, 1, 7, 0xA0},    // c <= 8: shl(f % c)
    // row 7: flip(x % 8)
    {0xB4, 7, 0, 0, 5, 0x34},
    // row 8, m = f % c
    {0xB4, 8, 0, 0, 5, 0xE4},    // m 0: swap(5-4, 7-6)
    {0xB4, 7, 1, 0, 5, 0x24},    // m 1: AND 0x6F
    {0xB4, 6, 2, 0, 5, 0xB0},    // m 2: flip(i % 8)
    {0xB4, 4, 4, 0, 5, 0x7B},    // else: ORs x % c (3), not m (4)
    // rows that keep the byte
    {0xB4, 9, 0, 0, 5, 0xB4},
    {0xB4, 11, 0, 0, 5, 0xB4},
    {0xB4, 14, 0, 0, 5, 0xB4},
    // row 10, m = x % c
    {0xB4, 10, 0, 0, 5, 0x36},   // m 0: swap(1-0, 7-6)
    {0xFF, 10, 0, 0, 9, 0x7D},   // m 1: AND 0x6F, then swap(3-1, 6-4)
    {0xB4, 7, 3, 0, 8, 0x98},    // m 2: flip(i % 8), then AND 0x99
    {0xB4, 10, 0, 0, 7, 0x7B},   // else: swap(3-2, 7-6) of a OR m
    // row 12, m = x % c
    {0xB4, 12, 0, 0, 6, 0x78},   // m 0: swap(3-2, 7-6)
    {0x9D, 12, 0, 0, 11, 0xDA},  // m 1: three swaps in order
    {0xFF, 12, 0, 0, 10, 0x7D},  // m 2: AND 0x6F, then swap(3-1, 6-4)
    {0xB4, 7, 5, 0, 9, 0x18},    // else: flip(i % 8), AND 0x99, swap(3-2, 7-6)
    // row 13, m = f % (r + c)
    {0xB4, 13, 0, 0, 5, 0x4B},   // m 0: swap(1-0, 5-4), then swap(3-2, 7-6)
    {0xB4, 12, 1, 0, 5, 0x06},   // m 1: swap(1-0, 7-6), then AND 0xCF
    {0xFF, 11, 2, 0, 5, 0xF1},   // m 2: AND 0x8F, then swap(3-1, 6-4)
    {0xB4, 10, 3, 0, 5, 0x94},   // else: flip(x % 8), then AND 0xFC
    {0xB4, 5, 6, 2, 7, 0x94},    // f 8 % (r + c = 9) is 8, not 8 % c = 1
};

TEST(MixKeyByte, EveryRowAndBranch) {
    for (const MixCase& t : kMixCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "a=" << int{t.a} << std::dec << " j=" << t.j
                                        << " i=" << t.i << " r=" << t.r << " c=" << t.c);
        EXPECT_EQ(CKeyExpander::MixKeyByte(t.a, t.j, t.i, t.r, t.c), t.expected);
    }
}

TEST(MixKeyByte, ZeroModulusKeepsTheByte) { EXPECT_EQ(CKeyExpander::MixKeyByte(0xB4, 0, 0, 0, 0), 0xB4); }

TEST(ExpandKeyMaterial, FirstBytesOfAPassword) {
    // "abcdef": r 0, i 0, a = ~'a' = 0x9E, c 5; bytes 0-14 walk the rows 0 to 14.
    CKeyExpander expander;
    std::vector<uint8_t> material;
    ASSERT_TRUE(expander.ExpandKeyMaterial("abcdef", 341, 15, material));
    ASSERT_EQ(material.size(), 30690u);
    const std::vector<uint8_t> first(material.begin(), material.begin() + 15);
    EXPECT_EQ(first, (std::vector<uint8_t>{0xF2, 0x9E, 0x9A, 0x1E, 0x9E, 0xBE, 0x9F, 0x1E, 0x6E, 0x9E, 0x9E,
                                           0x9E, 0x70, 0xE9, 0x9E}));
    EXPECT_EQ(material[18], 0x4E);  // i 1, j 3: ~'b' = 0x9D, row 4 shifts right
    EXPECT_EQ(material[30689], 0x99);  // r 340, i 5, j 14: x 359 is row 14, ~'f' kept
}

TEST(ExpandKeyMaterial, SizeIsRepetitionsTimesLengthTimesColumns) {
    struct Case {
        size_t length;
        uint32_t repetitions;
        size_t size;
    };
    const Case cases[] = {{1, 2048, 30720}, {6, 341, 30690}, {228, 8, 27360}, {255, 8, 30600}};
    CKeyExpander expander;
    for (const Case& t : cases) {
        SCOPED_TRACE(t.length);
        const std::string password(t.length, 'p');
        EXPECT_EQ(CKeyExpander::DataKeyRepetitions(t.length), t.repetitions);
        std::vector<uint8_t> material;
        ASSERT_TRUE(expander.ExpandKeyMaterial(password.c_str(), t.repetitions, 15, material));
        EXPECT_EQ(material.size(), t.size);
    }
}

TEST(ExpandKeyMaterial, RefusesWhatItCannotExpand) {
    CKeyExpander expander;
    const std::string tooLong(256, 'p');
    struct Case {
        const char* password;
        uint32_t n, w;
    };
    const Case cases[] = {{"", 341, 15}, {nullptr, 341, 15}, {"abcdef", 0, 15}, {"abcdef", 341, 0},
                          {tooLong.c_str(), 8, 15}};
    for (const Case& t : cases) {
        std::vector<uint8_t> material(3, 1);
        EXPECT_FALSE(expander.ExpandKeyMaterial(t.password, t.n, t.w, material));
        EXPECT_TRUE(material.empty());
    }
}

}  // namespace
}  // namespace kb
