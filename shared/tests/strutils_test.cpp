// The double-byte string routines as tables, in Shift-JIS where a row needs lead bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "shared/base/strutils.h"
#include "testing/kit/code_page.h"

namespace kb {
namespace {

using testing::UseSingleByteCodePage;

struct Row {
    const char* what;
    std::string in;
    int n;
    std::string out;
};

TEST(StrUtils, LeftStrKeepsTheTrailByte) {
    KB_REQUIRE_CP932();
    const Row rows[] = {
        {"n-th byte is a lead byte", "ab\x82\xA0z", 3, "ab\x82\xA0"},
        {"cut between characters", "ab\x82\xA0z", 4, "ab\x82\xA0"},
        {"trail byte 0x5C", "\x95\x5C\x95\x5C", 1, "\x95\x5C"},
        {"single bytes", "abcdef", 3, "abc"},
        {"n beyond the end", "ab", 10, "ab"},
        {"n zero", "ab", 0, ""},
        {"lead byte last", "a\x82", 2, "a\x82"},
    };
    for (const auto& r : rows) EXPECT_EQ(LeftStr(r.in, r.n), r.out) << r.what;
    UseSingleByteCodePage();
}

TEST(StrUtils, GetShotenStrCountsCharacters) {
    KB_REQUIRE_CP932();
    const Row rows[] = {
        {"mixed", "a\x82\xA0" "b", 2, "a\x82\xA0"},
        {"all double", "\x82\xA0\x82\xA2\x82\xA4", 2, "\x82\xA0\x82\xA2"},
        {"more than there is", "ab", 5, "ab"},
        {"none", "ab", 0, ""},
    };
    for (const auto& r : rows) EXPECT_EQ(GetShotenStr(r.in, r.n), r.out) << r.what;
    UseSingleByteCodePage();
}

TEST(StrUtils, TrimExTable) {
    KB_REQUIRE_CP932();
    const Row rows[] = {
        {"only ideographic spaces", "\x81\x40\x81\x40", 0, ""},
        {"both ends", "\x81\x40" "ab\x81\x40\x81\x40", 0, "ab"},
        {"blanks protect inner spaces", " \x81\x40" "ab\x81\x40 ", 0, "\x81\x40" "ab\x81\x40"},
        {"then blanks", "\x81\x40  ab \t", 0, "ab"},
        {"trail 0x81 before '@' stays", "\x88\x81@", 0, "\x88\x81@"},
        {"nothing to trim", "ab", 0, "ab"},
        {"control characters", "\x01" "ab\x1F", 0, "ab"},
    };
    for (const auto& r : rows) EXPECT_EQ(TrimEx(r.in), r.out) << r.what;
    UseSingleByteCodePage();
}

TEST(StrUtils, GetTopFolderNameTable) {
    KB_REQUIRE_CP932();
    const Row rows[] = {
        {"trail byte backslash", "\x95\x5C" "x\\y", 0, "\x95\x5C" "x"},
        {"plain", "top\\sub\\f", 0, "top"},
        {"no backslash", "abc", 0, "abc"},
        {"leading backslash", "\\abc", 0, ""},
    };
    for (const auto& r : rows) EXPECT_EQ(GetTopFolderName(r.in), r.out) << r.what;
    UseSingleByteCodePage();
}

TEST(StrUtils, ExcludeLeftDropsThePrefixLength) {
    EXPECT_EQ(ExcludeLeft("abc", "abcd"), "");
    EXPECT_EQ(ExcludeLeft("abc", "abc"), "");
    EXPECT_EQ(ExcludeLeft("C:\\w\\f", "XYZ"), "w\\f");
    EXPECT_EQ(ExcludeLeft("abc", ""), "abc");
}

TEST(StrUtils, GetStringStopsAtTheLength) {
    const char bytes[6] = {'a', 'b', 'c', 'd', 'e', 'f'};  // no terminator
    EXPECT_EQ(GetString(bytes, 4), "abcd");
    EXPECT_EQ(GetString("ab\0cd", 5), "ab");
    EXPECT_EQ(GetString(nullptr, 5), "");
}

TEST(StrUtils, SetStringZeroesAndBoundsTheCopy) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    SetString(buffer, 4, "abcdefgh");
    EXPECT_EQ(std::string(buffer, 6), std::string("abcd\0#", 6));
    std::memset(buffer, '#', sizeof buffer);
    SetString(buffer, 4, "ab");
    EXPECT_EQ(std::string(buffer, 6), std::string("ab\0\0\0#", 6));
    KB_REQUIRE_CP932();
    std::memset(buffer, '#', sizeof buffer);
    SetString(buffer, 4, "abc\x82\xA0");  // the double-byte character does not fit whole
    EXPECT_EQ(std::string(buffer, 6), std::string("abc\0\0#", 6));
    UseSingleByteCodePage();
}

}  // namespace
}  // namespace kb
