// Stored-name safety under each set of options, the path limit, and joining,
// with double-byte characters whose trail byte is 0x5C.
#include "shared/base/paths.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/kit/code_page.h"

namespace kb {
namespace {

using testing::UseSingleByteCodePage;

// A test whose every row needs lead bytes; natively single bytes again after it.
class ShiftJisTest : public ::testing::Test {
protected:
    void SetUp() override { KB_REQUIRE_CP932(); }
    void TearDown() override { UseSingleByteCodePage(); }
};

// The three sets of options the libraries use: archive entry names (the
// defaults), pack names and the names callers give (one leading separator),
// stored container names (that, and a path's length at most).
constexpr SafeNameOptions kEntry{};
constexpr SafeNameOptions kRelative{.leadingSeparator = true, .maxLength = 0};
constexpr SafeNameOptions kRecord{.leadingSeparator = true, .maxLength = kMaxPathLength};

struct SafeRow {
    std::string name;
    bool entry;
    bool relative;
    bool record;
};

void ExpectRows(const SafeRow* begin, const SafeRow* end) {
    for (const SafeRow* r = begin; r != end; ++r) {
        EXPECT_EQ(IsSafeName(r->name, kEntry), r->entry) << "entry name " << r->name;
        EXPECT_EQ(IsSafeName(r->name, kRelative), r->relative) << "relative name " << r->name;
        EXPECT_EQ(IsSafeName(r->name, kRecord), r->record) << "record name " << r->name;
    }
}

TEST(SafeNames, Table) {
    const SafeRow rows[] = {
        // Names that stay inside their folder.
        {"a.txt", true, true, true},
        {"sub\\b.bin", true, true, true},
        {"sub\\deeper\\a b.txt", true, true, true},
        {"x\\y\\z\\w.bin", true, true, true},
        {"..a", true, true, true},
        {"a..b", true, true, true},
        {"a. b", true, true, true},
        {".hidden", true, true, true},
        {"a b", true, true, true},
        // One leading separator: only where the options allow it.
        {"\\sub\\b.txt", false, true, true},
        {"\\x", false, true, true},
        // '/' separates for the system but not in any stored name.
        {"a/b", false, false, false},
        {"/x", false, false, false},
        {"\\sub/a.txt", false, false, false},
        // Other roots, drives and streams.
        {"", false, false, false},
        {"\\", false, false, false},
        {"\\\\server\\share\\x", false, false, false},
        {"//server/x", false, false, false},
        {"\\/x", false, false, false},
        {"C:x", false, false, false},
        {"C:\\x", false, false, false},
        {"a:b", false, false, false},
        // Components of dots and spaces, and empty ones.
        {"..", false, false, false},
        {".", false, false, false},
        {"...", false, false, false},
        {"..\\x", false, false, false},
        {"\\..\\x", false, false, false},
        {"/../x", false, false, false},
        {"a\\..\\x", false, false, false},
        {"a/../x", false, false, false},
        {"a\\..\\..\\x", false, false, false},
        {"sub/../../evil.txt", false, false, false},
        {"a\\.\\x", false, false, false},
        {"a\\. .\\x", false, false, false},
        {". .\\x", false, false, false},
        {" \\x", false, false, false},
        {"x\\ ..", false, false, false},
        {"sub\\ .. \\x", false, false, false},
        {"a\\", false, false, false},
        {"a\\\\b", false, false, false},
        // A zero byte would cut the name short on its way to the system.
        {std::string("a\0b", 3), false, false, false},
        // Parts Windows rewrites: a trailing dot or blank is dropped, so
        // "a.txt." and "a.txt " name "a.txt".
        {"a..", false, false, false},
        {"a.txt.", false, false, false},
        {"a.txt ", false, false, false},
        {"sub.\\a.txt", false, false, false},
        {"sub \\a.txt", false, false, false},
        {"\\a.txt.", false, false, false},
        // Device names, in any case, with an extension, as a folder, with
        // trailing dots and blanks, and with blanks before the extension.
        {"NUL", false, false, false},
        {"nul", false, false, false},
        {"Con", false, false, false},
        {"PRN", false, false, false},
        {"aux", false, false, false},
        {"COM1", false, false, false},
        {"com9", false, false, false},
        {"COM0", false, false, false},
        {"LPT1", false, false, false},
        {"lPt9", false, false, false},
        {"LPT0", false, false, false},
        {"COM\xB9", false, false, false},
        {"lpt\xB2.txt", false, false, false},
        {"CONIN$", false, false, false},
        {"conout$.log", false, false, false},
        {"LPT1.txt", false, false, false},
        {"nul.tar.gz", false, false, false},
        {"CON .txt", false, false, false},
        {"\\AUX", false, false, false},
        {"sub\\COM1\\a.txt", false, false, false},
        {"sub/nul/a.txt", false, false, false},
        {"sub\\prn.txt", false, false, false},
        {"NUL.", false, false, false},
        {"nul ", false, false, false},
        // Names that only begin like a device, and devices with a longer number.
        {"CONSOLE", true, true, true},
        {"NULL.txt", true, true, true},
        {"COM10", true, true, true},
        {"LPT", true, true, true},
        {"AUXI.txt", true, true, true},
        {"a.con", true, true, true},
        {"xnul", true, true, true},
        // The length limit of stored container names.
        {std::string(kMaxPathLength, 'n'), true, true, true},
        {std::string(kMaxPathLength + 1, 'n'), true, true, false},
    };
    ExpectRows(std::begin(rows), std::end(rows));
}

class SafeNamesDoubleByte : public ShiftJisTest {};

TEST_F(SafeNamesDoubleByte, TrailBytesAreNoSeparators) {
    const SafeRow rows[] = {
        // 0x95 0x5C and 0x83 0x5C are single characters.
        {"\x95\x5C.txt", true, true, true},
        {"\x81\x5C\x81\x5C", true, true, true},
        {"\x83\x5C..a\\x", true, true, true},     // no ".." component
        {"\x95\\..a\\b", true, true, true},       // "\x95\\..a" is one component
        {"\x83\x5C..\\x", false, false, false},    // one component, but it ends in dots
        {"\x83\x5C\\..\\x", false, false, false},  // a real ".." after the character
        {"\x81:", false, false, false},            // ':' refused in any byte
        {"\x82\xA0\\\x83\x5C", true, true, true},
        // A lead byte the system drops or rewrites: at the end of the name or
        // before a byte that is no trail byte.
        {"a.txt\x81", false, false, false},
        {"\\a.txt\x81", false, false, false},
        {"..\x81", false, false, false},
        {"sub\\..\x81", false, false, false},
        {"..\x81\\a", true, true, true},  // 0x81 0x5C is one character, not a separator
        {"\x81.txt", false, false, false},
        {"\x81 ", false, false, false},
        {"a\x81\x7F", false, false, false},
        {"a\x81\xFF", false, false, false},
        // A part ending in a dot or a blank, after a double-byte character.
        {"\x82\xA0.", false, false, false},
        {"\x82\xA0 \\a", false, false, false},
        // Device names with a double-byte character around them are names.
        {"\x82\xA0nul", true, true, true},
        {"nul\x82\xA0", true, true, true},
    };
    ExpectRows(std::begin(rows), std::end(rows));
}

#ifndef _WIN32
// Without lead bytes the same bytes read as separators.
TEST(SafeNames, SingleBytesSeparateAtEvery0x5C) {
    UseSingleByteCodePage();
    EXPECT_FALSE(IsSafeName("\x81\x5C"));  // a trailing separator
    EXPECT_FALSE(IsSafeName("\x95\\..\\a"));
}
#endif

struct JoinRow {
    const char* folder;
    const char* name;
    const char* joined;
};

TEST(Paths, JoinAddsExactlyOneBackslash) {
    const JoinRow rows[] = {
        {"C:\\w", "a", "C:\\w\\a"},
        {"C:\\w\\", "a", "C:\\w\\a"},
        {"", "a", "\\a"},
        {"D:\\Out\\", "\\sub\\a.txt", "D:\\Out\\sub\\a.txt"},
        {"D:\\Out", "\\sub\\a.txt", "D:\\Out\\sub\\a.txt"},
        {"D:\\Out", "a.txt", "D:\\Out\\a.txt"},
        {"D:\\", "a.txt", "D:\\a.txt"},
        {"C:\\w", "", "C:\\w\\"},
        {"C:\\w/", "a", "C:\\w/\\a"},  // only a backslash ends a folder here
    };
    for (const auto& r : rows) EXPECT_EQ(JoinPath(r.folder, r.name), r.joined) << r.folder << " + " << r.name;
    EXPECT_EQ(AddTrailingBackslash(""), "\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\d"), "C:\\d\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\d\\"), "C:\\d\\");
    EXPECT_TRUE(EndsWithBackslash("C:\\"));
    EXPECT_FALSE(EndsWithBackslash(""));
    EXPECT_FALSE(EndsWithBackslash("C:\\d/"));
}

TEST(Paths, FolderOfKeepsTheLastSeparator) {
    EXPECT_EQ(FolderOf("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(FolderOf("C:\\a/b.txt"), "C:\\a/");
    EXPECT_EQ(FolderOf("b.txt"), "");
    EXPECT_EQ(FolderOf("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(FolderOf(""), "");
}

class PathsDoubleByte : public ShiftJisTest {};

TEST_F(PathsDoubleByte, TrailByte0x5CEndsNoFolder) {
    EXPECT_FALSE(EndsWithBackslash("C:\\\x95\x5C"));
    EXPECT_TRUE(EndsWithBackslash("C:\\\x95\x5C\\"));
    EXPECT_EQ(AddTrailingBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C\\");
    EXPECT_EQ(JoinPath("D:\\\x95\x5C", "a.txt"), "D:\\\x95\x5C\\a.txt");
    EXPECT_EQ(JoinPath("C:\\\x95\x5C", "a"), "C:\\\x95\x5C\\a");
    EXPECT_EQ(FolderOf("C:\\d\\\x95\x5C"), "C:\\d\\");
}

#ifndef _WIN32
TEST(Paths, WithoutLeadBytesEvery0x5CIsABackslash) {
    UseSingleByteCodePage();
    EXPECT_TRUE(EndsWithBackslash("C:\\\x95\x5C"));
    EXPECT_EQ(FolderOf("C:\\d\\\x95\x5C"), "C:\\d\\\x95\x5C");
}
#endif

}  // namespace
}  // namespace kb
