// ConvertFilePath: the character table, double-byte characters and the end of the string.
#include "packlib/convert_path.h"

#include <gtest/gtest.h>

#include <string>

namespace kb {
namespace {

struct Case {
    std::string in;
    std::string out;
    int result;
};

TEST(ConvertFilePathTest, Table) {
    const Case cases[] = {
        {"C:\\dir\\f?.txt", "C\\_dir_f$.txt", 0},
        {"\\/,;*?\"<>|", "_%^=+$~[]!", 0},
        {"a:b:c", "a\\b\\c", 0},
        {"plain name.txt", "plain name.txt", 0},
        {"", "", 0},
        // Trail bytes that look like table characters stay as they are.
        {"\x83\\", "\x83\\", 0x83},
        {"a\x95\\b\\", "a\x95\\b_", 0},
        {"\x9F:\xE0|\xFF?", "\x9F:\xE0|\xFF?", 0xFF},
        // Bytes outside the two lead ranges are single characters.
        {"\xA0\\\xDF:", "\xA0_\xDF\\", 0},
        {"x\x80\x7F", "x\x80\x7F", 0x80},
        // A double-byte character followed by a single one.
        {"\x83\\?", "\x83\\$", 0},
    };
    for (const Case& c : cases) {
        std::string buf = c.in;
        EXPECT_EQ(ConvertFilePath(buf.data()), c.result) << c.in;
        EXPECT_EQ(buf, c.out) << c.in;
    }
}

TEST(ConvertFilePathTest, LeadByteBeforeTheZeroStopsThere) {
    // The bytes after the terminating zero are the caller's and must stay untouched.
    char buf[] = {'a', '\\', '\x83', '\0', '\\', '?', '\0'};
    EXPECT_EQ(ConvertFilePath(buf), 0x83);
    const char expected[] = {'a', '_', '\x83', '\0', '\\', '?', '\0'};
    EXPECT_EQ(std::string(buf, sizeof buf), std::string(expected, sizeof expected));
}

TEST(ConvertFilePathTest, NullPath) { EXPECT_EQ(ConvertFilePath(nullptr), 0); }

}  // namespace
}  // namespace kb
