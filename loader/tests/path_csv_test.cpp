// Path splitting, common parts and the CSV reader, with Shift-JIS rows whose
// trail byte is a backslash.
#include <gtest/gtest.h>

#include <sstream>

#include "testing/kit/code_page.h"
#include "loader/path_csv.h"

namespace kb::loader {
namespace {

using Parts = std::vector<std::string>;

// "表" (0x95 0x5C) and "ソ" (0x83 0x5C): trail bytes that look like a backslash.
constexpr char kHyo[] = "\x95\x5C";
constexpr char kSo[] = "\x83\x5C";

class ShiftJis : public ::testing::Test {
protected:
    void SetUp() override { KB_REQUIRE_CP932(); }
    void TearDown() override { kb::testing::UseSingleByteCodePage(); }
};

TEST(SplitPath, SplitsAtBackslashesAndKeepsTheLastByteOnTheLastPart) {
    const struct {
        std::string path;
        Parts parts;
    } rows[] = {
        {"", {}},
        {"Docs\\a.txt", {"Docs", "a.txt"}},
        {"Docs\\", {"Docs\\"}},
        {"Docs\\Sub\\", {"Docs", "Sub\\"}},
        {"\\a", {"", "a"}},
        {"a\\\\b", {"a", "", "b"}},
        {"\\", {"\\"}},
        {"readme.txt", {"readme.txt"}},
        {std::string("ab\0\\c", 5), {"ab"}},  // a zero byte ends the path
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(SplitPath(r.path), r.parts);
    }
}

TEST(SplitPath, HasNoCapOnTheNumberOfParts) {
    std::string path = "p";
    for (int i = 1; i < 300; ++i) path += "\\p";
    EXPECT_EQ(SplitPath(path).size(), 300u);
}

TEST_F(ShiftJis, SplitPathNeverSplitsATrailByteBackslash) {
    const struct {
        std::string path;
        Parts parts;
    } rows[] = {
        {std::string(kHyo) + "\\a.txt", {kHyo, "a.txt"}},
        {std::string("Docs\\") + kSo + kHyo + "\\", {"Docs", std::string(kSo) + kHyo + "\\"}},
        {std::string("x") + kHyo, {std::string("x") + kHyo}},
        {kHyo, {kHyo}},
    };
    for (const auto& r : rows) EXPECT_EQ(SplitPath(r.path), r.parts);
}

TEST(CountCommonParts, CountsEqualLeadingPartsExactly) {
    const struct {
        Parts a, b;
        int countA, countB, common;
    } rows[] = {
        {{"Docs", "a.txt"}, {"Docs", "b.txt"}, 2, 2, 1},
        {{"Docs\\"}, {"Docs", "a.txt"}, 1, 2, 0},
        {{"Docs"}, {"docs"}, 1, 1, 0},
        {{"a", "b", "c"}, {"a", "b", "c"}, 3, 3, 3},
        {{"a", "b", "c"}, {"a", "b", "c"}, 2, 3, 2},
        {{"a", "b"}, {"a", "b"}, 0, 2, 0},
        {{"a", "b"}, {"a", "b"}, -1, 2, 0},
        {{"a"}, {"a"}, 5, 5, 1},  // counts beyond the parts held are capped
    };
    for (const auto& r : rows) EXPECT_EQ(CountCommonParts(r.a, r.b, r.countA, r.countB), r.common);
}

TEST(TrailingBackslash, AddsAndDropsOnlyASingleByteBackslash) {
    EXPECT_EQ(IncludeTrailingBackslash("C:\\Temp"), "C:\\Temp\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\Temp\\"), "C:\\Temp\\");
    EXPECT_EQ(IncludeTrailingBackslash(""), "\\");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\Temp\\"), "C:\\Temp");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\Temp"), "C:\\Temp");
}

TEST_F(ShiftJis, TrailingBackslashLeavesADoubleByteCharacterWhole) {
    const std::string folder = std::string("C:\\") + kHyo;
    EXPECT_FALSE(EndsWithBackslash(folder));
    EXPECT_EQ(ExcludeTrailingBackslash(folder), folder);
    EXPECT_EQ(IncludeTrailingBackslash(folder), folder + "\\");
}

TEST(GetCSVField, QuotesGroupCommasAndFieldsAreTrimmed) {
    const struct {
        const char* line;
        int n;
        const char* field;
    } rows[] = {
        {"a,\"b,c\",d", 1, "a"},
        {"a,\"b,c\",d", 2, "b,c"},
        {"a,\"b,c\",d", 3, "d"},
        {"a,\"b,c\",d", 4, ""},
        {"x\"ab\"y", 1, "aby"},
        {"\"a\"\"b\"", 1, "b"},
        {" a , b ,c  ", 2, "b"},
        {" a , b ,c  ", 3, "c"},
        {"\"open, to the end", 1, "open, to the end"},
        {"a,b", 0, ""},
        {"", 1, ""},
        {",", 2, ""},
        {"Docs\\a.txt,1200,0", 2, "1200"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.line) + " #" + std::to_string(r.n));
        EXPECT_EQ(GetCSVField(r.line, r.n), r.field);
    }
}

TEST_F(ShiftJis, GetCSVFieldTakesTrailBytesAsTextNotAsSeparators) {
    // 0x82 0x2C is not a double-byte pair (0x2C is no trail byte) but the byte
    // rule still takes 0x82 as a lead byte, so its comma is text.
    const std::string line = std::string(kHyo) + "\\a.txt," + "\x82\x2C" + "x,\"" + kSo + "\"";
    EXPECT_EQ(GetCSVField(line, 1), std::string(kHyo) + "\\a.txt");
    EXPECT_EQ(GetCSVField(line, 2), "\x82\x2Cx");
    EXPECT_EQ(GetCSVField(line, 3), kSo);
}

TEST(ReadCSVLine, SkipsBlankLinesAndCommentsAndReturnsLinesUntrimmed) {
    std::istringstream in("\r\n   \t\r\nDocs\\a.txt,1,0 // note\r\n  readme.txt,5,0  \r\nlast,1,0");
    std::string line;
    ASSERT_TRUE(ReadCSVLine(in, line));
    EXPECT_EQ(line, "  readme.txt,5,0  ");
    ASSERT_TRUE(ReadCSVLine(in, line));
    EXPECT_EQ(line, "last,1,0");
    EXPECT_FALSE(ReadCSVLine(in, line));
    EXPECT_FALSE(in.bad());
}

TEST(ReadCSVLine, ALoneCrStaysInsideTheLine) {
    std::istringstream in("a\rb\n");
    std::string line;
    ASSERT_TRUE(ReadCSVLine(in, line));
    EXPECT_EQ(line, "a\rb");
}

}  // namespace
}  // namespace kb::loader
