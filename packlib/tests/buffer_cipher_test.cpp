#include "packlib/buffer_cipher.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "packlib/seed_tables.h"

namespace kb {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(NeighbourAddition, PassesOverAToySeed) {
    struct Case {
        Bytes seed;
        uint32_t passes;
        Bytes expected;
    };
    const Case cases[] = {
        {{1, 2, 3, 4}, 0, {1, 2, 3, 4}},
        {{1, 2, 3, 4}, 1, {3, 5, 7, 5}},      // last byte adds the old first byte
        {{1, 2, 3, 4}, 2, {8, 12, 12, 8}},    // every sum from the previous pass
        {{1, 2, 3, 4}, 256, {1, 2, 3, 4}},    // only the low byte of the count counts
        {{1, 2, 3, 4}, 257, {3, 5, 7, 5}},
        {{0xF0, 0x20}, 1, {0x10, 0x10}},      // modulo 256
        {{5}, 1, {10}},
    };
    for (const Case& t : cases) {
        Bytes bytes = t.seed;
        NeighbourAddition(bytes.data(), bytes.size(), t.passes);
        EXPECT_EQ(bytes, t.expected) << t.passes;
        Bytes out(t.seed.size());
        MakeKeystream(t.seed.data(), t.seed.size(), t.passes, out.data());
        EXPECT_EQ(out, t.expected) << t.passes;
    }
}

TEST(NeighbourAddition, EveryLengthFollowsTheByteRule) {
    // One pass by the definition: every new byte from the previous pass's bytes.
    auto reference = [](Bytes b, uint32_t passes) {
        for (uint32_t p = 0; p < passes % 256; ++p) {
            Bytes next(b.size());
            for (size_t i = 0; i < b.size(); ++i)
                next[i] = static_cast<uint8_t>(b[i] + b[(i + 1) % b.size()]);
            b = next;
        }
        return b;
    };
    const size_t lengths[] = {1, 2, 7, 8, 9, 10, 16, 17, 31, 1000};
    const uint32_t passes[] = {0, 1, 2, 9, 255, 256, 257};
    for (size_t n : lengths) {
        for (uint32_t k : passes) {
            SCOPED_TRACE(testing::Message() << "n " << n << " passes " << k);
            Bytes b(n);
            for (size_t i = 0; i < n; ++i)
                b[i] = static_cast<uint8_t>(0xF0 + i * 37);  // top bits set, so lanes carry
            const Bytes want = reference(b, k);
            kb::NeighbourAddition(b.data(), b.size(), k);
            ASSERT_EQ(b, want);
        }
    }
}

TEST(SeedTables, AreFrozen) {
    // Every encrypted pack depends on these bytes; a changed table fails here.
    // FNV-1a (32-bit) of each whole table.
    const struct {
        const uint8_t* table;
        size_t size;
        uint32_t fnv1a;
    } tables[] = {
        {kHeaderSeed, kHeaderSeedSize, 0xED2BECFA},
        {kNameSeed, kNameSeedSize, 0xCD9FD3E8},
        {kLengthSeed, kLengthSeedSize, 0x2C623A6F},
    };
    for (const auto& t : tables) {
        uint32_t hash = 0x811C9DC5;
        for (size_t i = 0; i < t.size; ++i)
            hash = (hash ^ t.table[i]) * 0x01000193u;
        EXPECT_EQ(hash, t.fnv1a) << t.size;
    }
}

TEST(CodePasswordField, HeaderKeystreamPasses) {
    struct Case {
        uint32_t passes;
        uint8_t first, second, beforeLast, last;
    };
    // Seed E6 64 90 ... DB 27. One pass: E6+64, 64+90, DB+27, 27+E6 (mod 256).
    // Two passes: 4A+F4, F4+(90+E9), 02+0D, 0D+4A.
    const Case cases[] = {
        {0, 0xE6, 0x64, 0xDB, 0x27},   {256, 0xE6, 0x64, 0xDB, 0x27}, {1, 0x4A, 0xF4, 0x02, 0x0D},
        {2, 0x3E, 0x6D, 0x0F, 0x57},   {257, 0x4A, 0xF4, 0x02, 0x0D},
    };
    CBufferCipher cipher;
    for (const Case& t : cases) {
        SCOPED_TRACE(t.passes);
        std::array<uint8_t, 256> block{};
        cipher.CodePasswordField(block.data(), t.passes);
        EXPECT_EQ(block[0], t.first);
        EXPECT_EQ(block[1], t.second);
        EXPECT_EQ(block[254], t.beforeLast);
        EXPECT_EQ(block[255], t.last);
        if (t.passes % 256 == 0) {
            EXPECT_EQ(0, std::memcmp(block.data(), kHeaderSeed, 256));
        }
        cipher.CodePasswordField(block.data(), t.passes);
        EXPECT_EQ(block, (std::array<uint8_t, 256>{}));
    }
}

TEST(CodeLengthField, KeystreamRunsFromTheMostSignificantByte) {
    struct Case {
        std::array<uint8_t, 4> stored;
        uint32_t passes, entryIndex;
        std::array<uint8_t, 4> coded;
    };
    // Length seed B3 9C F5 12 EF 10 0D 58 C0 ... 30 2A 62 17 5E.
    const Case cases[] = {
        // 0x11223344 at entry 5: byte k takes seed byte 5 + 3 - k: C0 58 0D 10.
        {{0x44, 0x33, 0x22, 0x11}, 0, 5, {0x84, 0x6B, 0x2F, 0x01}},
        {{0x44, 0x33, 0x22, 0x11}, 0, 21, {0x84, 0x6B, 0x2F, 0x01}},   // 21 mod 16 = 5
        {{0x44, 0x33, 0x22, 0x11}, 256, 5, {0x84, 0x6B, 0x2F, 0x01}},
        // One pass, entry 15: bytes 15-18 are 30+2A, 2A+62, 62+17, 17+5E.
        {{0, 0, 0, 0}, 1, 15, {0x75, 0x79, 0x8C, 0x5A}},
        {{0, 0, 0, 0}, 1, 31, {0x75, 0x79, 0x8C, 0x5A}},
        {{0, 0, 0, 0}, 0, 0, {0x12, 0xF5, 0x9C, 0xB3}},
    };
    CBufferCipher cipher;
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.passes << " " << t.entryIndex);
        std::array<uint8_t, 4> field = t.stored;
        cipher.CodeLengthField(field.data(), t.passes, t.entryIndex);
        EXPECT_EQ(field, t.coded);
        cipher.CodeLengthField(field.data(), t.passes, t.entryIndex);
        EXPECT_EQ(field, t.stored);
    }
}

TEST(EntryName, OffsetIsTheEntryIndexModulo256) {
    struct Case {
        uint32_t passes, entryIndex;
        std::array<uint8_t, 3> coded;
    };
    // "abc" = 61 62 63 against name seed 8E DF 85 80.
    const Case cases[] = {
        {0, 0, {0xEF, 0xBD, 0xE6}},
        {0, 256, {0xEF, 0xBD, 0xE6}},
        {0, 1, {0xBE, 0xE7, 0xE3}},
        {0, 257, {0xBE, 0xE7, 0xE3}},
        {256, 1, {0xBE, 0xE7, 0xE3}},
    };
    CBufferCipher cipher;
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.passes << " " << t.entryIndex);
        char name[8] = "abc";
        ASSERT_TRUE(cipher.EncodeEntryName(name, t.passes, t.entryIndex));
        EXPECT_EQ(0, std::memcmp(name, t.coded.data(), 3));
        ASSERT_TRUE(cipher.DecodeEntryName(name, 3, t.passes, t.entryIndex));
        EXPECT_STREQ(name, "abc");
    }
}

TEST(EntryName, CodedZeroByteIsRestoredFromTheStoredLength) {
    CBufferCipher cipher;
    char name[8] = "\x8E" "b";  // the first name seed byte: codes to zero
    ASSERT_TRUE(cipher.EncodeEntryName(name, 0, 0));
    EXPECT_EQ(name[0], 0);
    EXPECT_EQ(static_cast<uint8_t>(name[1]), 0xBD);
    name[2] = 'X';
    ASSERT_TRUE(cipher.DecodeEntryName(name, 2, 0, 0));
    EXPECT_STREQ(name, "\x8E" "b");  // and terminated after the length
}

TEST(EntryName, LongestNameAtTheLastOffsetStaysInTheKeystream) {
    CBufferCipher cipher;
    std::vector<char> buffer(257 + 1, 0);
    ASSERT_TRUE(cipher.DecodeEntryName(buffer.data(), 256, 0, 255));
    EXPECT_EQ(0, std::memcmp(buffer.data(), kNameSeed + 255, 256));  // bytes 255 to 510
    EXPECT_EQ(buffer[256], 0);

    std::vector<char> untouched(258, 'q');
    std::vector<char> copy = untouched;
    EXPECT_FALSE(cipher.DecodeEntryName(copy.data(), 257, 0, 0));
    EXPECT_EQ(copy, untouched);
    copy.back() = '\0';  // a 257-byte name
    const std::vector<char> before = copy;
    EXPECT_FALSE(cipher.EncodeEntryName(copy.data(), 0, 0));
    EXPECT_EQ(copy, before);
    EXPECT_FALSE(cipher.EncodeEntryName(nullptr, 0, 0));
    EXPECT_FALSE(cipher.DecodeEntryName(nullptr, 0, 0, 0));
}

TEST(CBufferCipher, PasswordIsCopiedBounded) {
    const std::string longPassword(300, 'w');
    CBufferCipher cipher(longPassword.c_str());
    EXPECT_EQ(std::string(cipher.Password()), std::string(255, 'w'));
    cipher.SetPassword("abcdefgh", 6);
    EXPECT_STREQ(cipher.Password(), "abcdef");
    cipher.SetPassword(nullptr);
    EXPECT_STREQ(cipher.Password(), "");
    EXPECT_STREQ(CBufferCipher().Password(), "");
}

TEST(BuildDataKey, KeySizeFollowsThePasswordLength) {
    struct Case {
        size_t length;
        size_t size;
    };
    const Case cases[] = {{1, 30720}, {6, 30690}, {228, 27360}, {255, 30600}};
    for (const Case& t : cases) {
        CBufferCipher cipher(std::string(t.length, 'k').c_str());
        ASSERT_TRUE(cipher.BuildDataKey(1));
        EXPECT_EQ(cipher.DataKeySize(), t.size) << t.length;
    }
}

TEST(BuildDataKey, PassesRunOverTheKeyMaterial) {
    // Key material of "abcdef": F2 9E 9A 1E 9E BE 9F 1E 6E 9E 9E 9E 70 E9 9E ... 99.
    CBufferCipher cipher("abcdef");
    for (uint32_t passes : {0u, 256u}) {
        ASSERT_TRUE(cipher.BuildDataKey(passes));
        const Bytes first(cipher.DataKey(), cipher.DataKey() + 15);
        EXPECT_EQ(first, (Bytes{0xF2, 0x9E, 0x9A, 0x1E, 0x9E, 0xBE, 0x9F, 0x1E, 0x6E, 0x9E, 0x9E, 0x9E, 0x70,
                                0xE9, 0x9E}));
        EXPECT_EQ(cipher.DataKey()[30689], 0x99);
    }
    ASSERT_TRUE(cipher.BuildDataKey(1));
    const Bytes first(cipher.DataKey(), cipher.DataKey() + 14);
    EXPECT_EQ(first, (Bytes{0x90, 0x38, 0xB8, 0xBC, 0x5C, 0x5D, 0xBD, 0x8C, 0x0C, 0x3C, 0x3C, 0x0E, 0x59, 0x87}));
    EXPECT_EQ(cipher.DataKey()[30689], 0x8B);  // 99 + F2: the last byte wraps to the first

    // 126 passes (buffer jobs), as an independent model of the same text computes it.
    ASSERT_TRUE(cipher.BuildDataKey(CBufferCipher::kBufferJobPasses));
    const Bytes jobKey(cipher.DataKey(), cipher.DataKey() + 16);
    EXPECT_EQ(jobKey, (Bytes{0x2F, 0xE1, 0xC3, 0xC3, 0x39, 0x99, 0x63, 0x73, 0x78, 0xC0, 0x7B, 0x7B, 0x78, 0xC8,
                             0xD9, 0xF8}));
}

TEST(BuildDataKey, EmptyPasswordLeavesNoKey) {
    CBufferCipher cipher("abcdef");
    ASSERT_TRUE(cipher.BuildDataKey(3));
    cipher.SetPassword("");
    EXPECT_FALSE(cipher.BuildDataKey(3));
    EXPECT_FALSE(cipher.HasDataKey());
    EXPECT_EQ(cipher.DataKeySize(), 0u);
    uint8_t chunk[4] = {1, 2, 3, 4};
    EXPECT_FALSE(cipher.CodeBufferChunk(chunk, 4, 0));  // nothing coded without a key
    EXPECT_FALSE(cipher.CodeEntryChunk(chunk, 4, 0, 0));
    EXPECT_EQ(Bytes(chunk, chunk + 4), (Bytes{1, 2, 3, 4}));
    EXPECT_FALSE(CBufferCipher().BuildDataKey(1));
}

TEST(CodeChunk, KeyOffsetAndBitFlip) {
    struct Case {
        bool entry;
        uint32_t entryIndex, chunkIndex;
        Bytes coded;  // of eight zero bytes
    };
    // Key (0 passes) F2 9E 9A 1E 9E BE 9F 1E 6E ..., XOR the key from offset o, then
    // flip bit i % 8 of byte i.
    const Case cases[] = {
        {false, 0, 0, {0xF3, 0x9C, 0x9E, 0x16, 0x8E, 0x9E, 0xDF, 0x9E}},
        {false, 0, 1025, {0x9F, 0x98, 0x1A, 0x96, 0xAE, 0xBF, 0x5E, 0xEE}},  // o = 1
        {true, 1, 2, {0x1F, 0x9C, 0xBA, 0x97, 0x0E, 0x4E, 0xDE, 0x1E}},      // o = 3
        {true, 1024, 3, {0x1F, 0x9C, 0xBA, 0x97, 0x0E, 0x4E, 0xDE, 0x1E}},
        {true, 1023, 4, {0x1F, 0x9C, 0xBA, 0x97, 0x0E, 0x4E, 0xDE, 0x1E}},
    };
    CBufferCipher cipher("abcdef");
    ASSERT_TRUE(cipher.BuildDataKey(0));
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.entryIndex << " " << t.chunkIndex);
        Bytes chunk(8, 0);
        ASSERT_TRUE(t.entry ? cipher.CodeEntryChunk(chunk.data(), 8, t.entryIndex, t.chunkIndex)
                            : cipher.CodeBufferChunk(chunk.data(), 8, t.chunkIndex));
        EXPECT_EQ(chunk, t.coded);
    }
    uint8_t last = 0;  // a one-byte last chunk: key byte o, bit 0
    ASSERT_TRUE(cipher.CodeEntryChunk(&last, 1, 0, 1));
    EXPECT_EQ(last, 0x9F);
}

TEST(CodeChunk, BufferJobKeyKnownAnswer) {
    CBufferCipher cipher("abcdef");
    ASSERT_TRUE(cipher.BuildDataKey(CBufferCipher::kBufferJobPasses));
    Bytes chunk(16, 0);
    ASSERT_TRUE(cipher.CodeBufferChunk(chunk.data(), chunk.size(), 0));
    EXPECT_EQ(chunk, (Bytes{0x2E, 0xE3, 0xC7, 0xCB, 0x29, 0xB9, 0x23, 0xF3, 0x79, 0xC2, 0x7F, 0x73, 0x68, 0xE8,
                            0x99, 0x78}));
}

TEST(CodeChunk, FullChunksRoundTripAndStayInsideTheKey) {
    CBufferCipher cipher(std::string(228, 'z').c_str());  // the smallest key, 27,360 bytes
    ASSERT_TRUE(cipher.BuildDataKey(255));
    Bytes data(1024);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    Bytes chunk = data;
    ASSERT_TRUE(cipher.CodeEntryChunk(chunk.data(), chunk.size(), 1023, 0));  // key bytes 1023-2046
    EXPECT_NE(chunk, data);
    ASSERT_TRUE(cipher.CodeEntryChunk(chunk.data(), chunk.size(), 1023, 0));
    EXPECT_EQ(chunk, data);

    Bytes tooLong(1025, 5);
    EXPECT_FALSE(cipher.CodeBufferChunk(tooLong.data(), tooLong.size(), 0));
    EXPECT_EQ(tooLong, Bytes(1025, 5));
    EXPECT_TRUE(cipher.CodeBufferChunk(tooLong.data(), 0, 0));
    EXPECT_EQ(tooLong, Bytes(1025, 5));
}

TEST(CodeChunk, EveryLengthAndOffsetFollowsTheByteRule) {
    CBufferCipher cipher("kb6pwd");
    ASSERT_TRUE(cipher.BuildDataKey(255));
    const uint8_t* key = cipher.DataKey();
    const size_t lengths[] = {0, 1, 7, 8, 9, 15, 16, 17, 63, 1000, 1023, 1024};
    const uint32_t offsets[] = {0, 1, 5, 8, 1023};
    for (size_t length : lengths) {
        for (uint32_t o : offsets) {
            SCOPED_TRACE(testing::Message() << "length " << length << " offset " << o);
            Bytes data(length);
            for (size_t i = 0; i < length; ++i)
                data[i] = static_cast<uint8_t>(i * 31 + o);
            Bytes chunk = data;
            ASSERT_TRUE(cipher.CodeBufferChunk(chunk.data(), length, o));
            for (size_t i = 0; i < length; ++i)
                ASSERT_EQ(chunk[i], static_cast<uint8_t>(data[i] ^ key[o + i] ^ (1u << (i % 8)))) << "byte " << i;
        }
    }
}

TEST(DigestBlock, LengthByteThenMd5ThenZeros) {
    std::array<uint8_t, 256> block;
    block.fill(0xCC);
    ASSERT_TRUE(MakeDigestBlock("abcdef", block.data()));
    std::array<uint8_t, 256> expected{0x10, 0xE8, 0x0B, 0x50, 0x17, 0x09, 0x89, 0x50, 0xFC,
                                      0x58, 0xAA, 0xD8, 0x3C, 0x8C, 0x14, 0x97, 0x8E};
    EXPECT_EQ(block, expected);
}

TEST(MakeDigestPasswordField, DigestBlockUnderTheHeaderKeystream) {
    CBufferCipher cipher;
    for (uint32_t passes : {0u, 256u}) {
        std::array<uint8_t, 256> block{};
        std::memcpy(block.data(), "abcdef", 6);
        ASSERT_TRUE(cipher.MakeDigestPasswordField(block.data(), passes));
        EXPECT_EQ(block[0], 0xF6);   // 10 ^ E6
        EXPECT_EQ(block[1], 0x8C);   // E8 ^ 64
        EXPECT_EQ(block[16], 0xAF);  // 8E ^ 21
        EXPECT_EQ(0, std::memcmp(block.data() + 17, kHeaderSeed + 17, 256 - 17));
    }
    std::array<uint8_t, 256> block{};
    std::memcpy(block.data(), "abcdef", 6);
    ASSERT_TRUE(cipher.MakeDigestPasswordField(block.data(), 1));
    EXPECT_EQ(block[0], 0x5A);   // 10 ^ 4A
    EXPECT_EQ(block[255], 0x0D);
}

TEST(MakeDigestPasswordField, NoDigestLeavesTheBlockAsItWas) {
    CBufferCipher cipher;
    std::array<uint8_t, 256> empty{};
    empty[5] = 0x33;  // bytes after the terminator stay too
    std::array<uint8_t, 256> unterminated;
    unterminated.fill('a');
    for (const auto& original : {empty, unterminated}) {
        std::array<uint8_t, 256> block = original;
        EXPECT_FALSE(cipher.MakeDigestPasswordField(block.data(), 1));
        EXPECT_EQ(block, original);
    }
}

}  // namespace
}  // namespace kb
