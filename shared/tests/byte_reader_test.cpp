// Little-endian fields, and a reader that stops at the end of its bytes.
#include "shared/base/byte_reader.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kb {
namespace {

TEST(ByteReader, LittleEndianFields) {
    uint8_t b[8];
    WriteLe32(b, 0x04030201u);
    WriteLe32(b + 4, 0xF8F7F6F5u);
    const uint8_t expected[8] = {0x01, 0x02, 0x03, 0x04, 0xF5, 0xF6, 0xF7, 0xF8};
    EXPECT_EQ(0, std::memcmp(b, expected, sizeof b));
    EXPECT_EQ(ReadLe32(b), 0x04030201u);
    EXPECT_EQ(ReadLe64(b), 0xF8F7F6F504030201ull);
}

TEST(ByteReader, FieldsInOrder) {
    const uint8_t bytes[] = {0x7F, 0x01, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF, 0xAA, 0xBB};
    ByteReader r(bytes, sizeof bytes);
    uint8_t u8 = 0;
    uint32_t u32 = 0;
    int32_t i32 = 0;
    ASSERT_TRUE(r.U8(&u8));
    ASSERT_TRUE(r.U32(&u32));
    ASSERT_TRUE(r.I32(&i32));
    EXPECT_EQ(u8, 0x7F);
    EXPECT_EQ(u32, 1u);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(r.Position(), 9u);
    EXPECT_EQ(r.Remaining(), 2u);
    EXPECT_TRUE(r.Ok());
}

// A field that does not fit in what remains reads nothing, leaves the
// position, and marks the reader; what does fit can still be read.
TEST(ByteReader, AFieldPastTheEndIsNotRead) {
    // Readable bytes follow the range: only its bound stops the reader.
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (size_t size = 0; size < 4; ++size) {
        ByteReader r(bytes, size);
        uint32_t u32 = 0xDEADBEEF;
        int32_t i32 = 7;
        EXPECT_FALSE(r.U32(&u32)) << size;
        EXPECT_FALSE(r.I32(&i32)) << size;
        EXPECT_EQ(u32, 0xDEADBEEFu);
        EXPECT_EQ(i32, 7);
        EXPECT_EQ(r.Position(), 0u);
        EXPECT_FALSE(r.Ok());
        uint8_t u8 = 0;
        EXPECT_EQ(r.U8(&u8), size > 0) << size;
    }
}

}  // namespace
}  // namespace kb
