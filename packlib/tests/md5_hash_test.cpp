#include "packlib/md5_hash.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace kb {
namespace {

std::string Hex(const uint8_t* bytes, size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

TEST(CMd5Hash, KnownAnswers) {
    struct Case {
        const char* text;
        const char* digest;
    };
    // RFC 1321, appendix A.5 (the empty string is refused by design), and the
    // digest of the password used across the cipher tests.
    const Case cases[] = {
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {"abcdef", "e80b5017098950fc58aad83c8c14978e"},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.text);
        CMd5Hash hash;
        std::array<uint8_t, 255> out;
        out.fill(0xCC);
        uint32_t length = 255;
        ASSERT_TRUE(hash.ComputeHash(kCalgMd5, t.text, out.data(), length)) << hash.LastError();
        EXPECT_EQ(length, 16u);
        EXPECT_EQ(Hex(out.data(), 16), t.digest);
        for (size_t i = 16; i < out.size(); ++i)
            ASSERT_EQ(out[i], 0) << i;  // the whole area is cleared first
        EXPECT_EQ(hash.LastError(), 0u);
    }
}

TEST(CMd5Hash, EmptyTextMakesNoDigest) {
    for (const char* text : {"", static_cast<const char*>(nullptr)}) {
        CMd5Hash hash;
        std::array<uint8_t, 32> out;
        out.fill(0xCC);
        uint32_t length = 32;
        EXPECT_FALSE(hash.ComputeHash(kCalgMd5, text, out.data(), length));
        EXPECT_EQ(length, 32u);
        for (uint8_t b : out)
            EXPECT_EQ(b, 0);
        EXPECT_EQ(hash.LastError(), 0u);  // refused before any platform call
    }
}

TEST(CMd5Hash, UnknownAlgorithmRecordsThePlatformError) {
    CMd5Hash hash;
    std::array<uint8_t, 32> out{};
    uint32_t length = 32;
    EXPECT_FALSE(hash.ComputeHash(0, "abc", out.data(), length));
    EXPECT_EQ(hash.LastError(), 0x80090008u);  // NTE_BAD_ALGID
}

TEST(CMd5Hash, TooSmallAreaReportsTheLengthNeeded) {
    CMd5Hash hash;
    std::array<uint8_t, 8> out{};
    uint32_t length = 8;
    EXPECT_FALSE(hash.ComputeHash(kCalgMd5, "abc", out.data(), length));
    EXPECT_EQ(hash.LastError(), 234u);  // ERROR_MORE_DATA
    EXPECT_EQ(length, 16u);
}

}  // namespace
}  // namespace kb
