// Path routines: file-name part, trailing backslash, safe relative names, entry
// name matching and joining, with double-byte characters whose trail byte is 0x5C.
#include "packlib/path_routines.h"

#include <gtest/gtest.h>

#include "frame_test_support.h"
#include "testing/kit/code_page.h"

namespace kb::pack {
namespace {

class PathRoutines : public ::testing::Test {
protected:
    void SetUp() override { KB_REQUIRE_CP932(); }
    void TearDown() override { kb::testing::UseSingleByteCodePage(); }
};

struct NameCase {
    const char* path;
    const char* fileName;
    const char* withBackslash;
};

const NameCase kAsciiCases[] = {
    {"C:\\Data\\report.txt", "report.txt", "C:\\Data\\report.txt\\"},
    {"C:\\Data", "Data", "C:\\Data\\"},
    {"C:\\Data\\", "", "C:\\Data\\"},
    {"C:\\Data/x.txt", "x.txt", "C:\\Data/x.txt\\"},
    {"C:name.txt", "name.txt", "C:name.txt\\"},
    {"C:", "", "C:\\"},
    {"", "", "\\"},
    {"name", "name", "name\\"},
};

TEST(PathRoutinesAscii, FileNamePartAndTrailingBackslash) {
    for (const auto& c : kAsciiCases) {
        EXPECT_EQ(GetFileNamePart(c.path), c.fileName) << c.path;
        EXPECT_EQ(AddTrailingBackslash(c.path), c.withBackslash) << c.path;
    }
}

const NameCase kDoubleByteCases[] = {
    // C:\ + the double-byte character 95 5C: its trail byte is no separator.
    {"C:\\\x95\x5C", "\x95\x5C", "C:\\\x95\x5C\\"},
    {"C:\\\x95\x5C\\", "", "C:\\\x95\x5C\\"},
    {"C:\\\x83\x5C\\a", "a", "C:\\\x83\x5C\\a\\"},
    {"C:\\\x95", "\x95", "C:\\\x95\\"},  // a lone lead byte at the end
};

TEST_F(PathRoutines, DoubleByteCharactersStayWhole) {
    for (const auto& c : kDoubleByteCases) {
        EXPECT_EQ(GetFileNamePart(c.path), c.fileName) << c.path;
        EXPECT_EQ(AddTrailingBackslash(c.path), c.withBackslash) << c.path;
    }
}

TEST_F(PathRoutines, EntryNamesFoldOnlySingleByteLetters) {
    EXPECT_TRUE(EntryNamesEqual("Sub\\A.TXT", "sub\\a.txt"));
    EXPECT_FALSE(EntryNamesEqual("a.txt", "a.txt2"));
    EXPECT_FALSE(EntryNamesEqual("a.txt", "a.tx"));
    // Trail bytes 0x41 and 0x61 differ: two different double-byte characters.
    EXPECT_FALSE(EntryNamesEqual("\x83\x41", "\x83\x61"));
    EXPECT_TRUE(EntryNamesEqual("\x83\x41x", "\x83\x41X"));
}

TEST(PathRoutinesAscii, BuildEntryPathJoinsAndBounds) {
    std::string p;
    ASSERT_TRUE(BuildEntryPath("C:\\out", "a.txt", &p));
    EXPECT_EQ(p, "C:\\out\\a.txt");
    ASSERT_TRUE(BuildEntryPath("C:\\out\\", "\\sub\\a.txt", &p));
    EXPECT_EQ(p, "C:\\out\\sub\\a.txt");
    const std::string folder(250, 'f');
    EXPECT_TRUE(BuildEntryPath(folder, std::string(8, 'n'), &p));   // 259
    EXPECT_FALSE(BuildEntryPath(folder, std::string(9, 'n'), &p));  // 260
    EXPECT_EQ(EntryFolderPaths("D", "a\\b\\c.txt"), (std::vector<std::string>{"D\\a", "D\\a\\b"}));
    EXPECT_TRUE(EntryFolderPaths("D", "..\\c.txt").empty());
}

TEST(PathRoutinesAscii, RemoveCreatedFoldersRemovesOnlyEmptyOnesDeepestFirst) {
    testing::TempDir dir;
    ASSERT_TRUE(fs::CreateFolder(dir / "a"));
    ASSERT_TRUE(fs::CreateFolder(dir / "a\\b"));
    ASSERT_TRUE(fs::CreateFolder(dir / "keep"));
    ASSERT_TRUE(testing::WriteWholeFile(dir / "keep\\f.txt", "x"));
    RemoveCreatedFolders({dir / "a", dir / "a\\b"});
    EXPECT_FALSE(fs::Exists(dir / "a"));
    RemoveCreatedFolders({dir / "keep"});
    EXPECT_TRUE(fs::Exists(dir / "keep\\f.txt"));
}

}  // namespace
}  // namespace kb::pack
