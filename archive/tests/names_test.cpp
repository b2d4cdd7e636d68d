// Stored-name safety, path joining and folder creation, double-byte aware.
#include <gtest/gtest.h>

#include "archive/core/names.h"
#include "archive/tests/test_support.h"
#include "shared/base/dbcs.h"

namespace ark {
namespace {

TEST(Names, SafetyTable) {
    struct Case {
        const char* name;
        bool safe;
    };
    const Case cases[] = {
        {"a.txt", true},        {"sub\\b.bin", true},  {"a/b", true},        {"..a", true},
        {"a..", true},          {"a. b", true},        {"", false},          {"\\x", false},
        {"/x", false},          {"C:x", false},        {"C:\\x", false},     {"..", false},
        {".", false},           {"..\\x", false},      {"a\\..\\x", false},  {"a/../x", false},
        {"a\\", false},         {"a\\\\b", false},     {" \\x", false},      {". .\\x", false},
        {"x\\ ..", false},      {"a:b", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << c.name;
}

TEST(Names, JoinPathAddsOneBackslash) {
    EXPECT_EQ(JoinPath("C:\\w", "a"), "C:\\w\\a");
    EXPECT_EQ(JoinPath("C:\\w\\", "a"), "C:\\w\\a");
    EXPECT_EQ(JoinPath("", "a"), "\\a");
}

TEST(Names, DoubleByteCharactersStayWhole) {
    ARK_REQUIRE_SHIFT_JIS();
    // 0x95 0x5C is one character whose trail byte is a backslash.
    EXPECT_TRUE(IsSafeEntryName("\x95\x5C.txt"));
    EXPECT_TRUE(IsSafeEntryName("\x81\x5C\x81\x5C"));
    EXPECT_EQ(JoinPath("C:\\\x95\x5C", "a"), "C:\\\x95\x5C\\a");
    EXPECT_TRUE(EqualIgnoringAsciiCase("\x83\x41x", "\x83\x41X"));
    EXPECT_FALSE(EqualIgnoringAsciiCase("\x83\x41", "\x83\x61"));
    testing::UseSingleByte();
#ifndef _WIN32
    EXPECT_FALSE(IsSafeEntryName("\x81\x5C"));  // without lead bytes: a trailing separator
    EXPECT_TRUE(EqualIgnoringAsciiCase("\x83\x41", "\x83\x61"));
#endif
}

// Natively only: the Wine prefix of the test runs does not store double-byte
// folder names through the A-functions faithfully, so only the split is shown.
#ifndef _WIN32
TEST(Names, MakePathFoldersCreatesEveryLevelButNotAfterATrailByte) {
    testing::TempDir dir;
    ARK_REQUIRE_SHIFT_JIS();
    MakePathFolders(dir / "a\\b\\\x95\x5C" "c\\file");
    EXPECT_TRUE(testing::FileExists(dir / "a\\b"));
    EXPECT_TRUE(testing::FileExists(dir / "a\\b\\\x95\x5C" "c"));
    EXPECT_FALSE(testing::FileExists(dir / "a\\b\\\x95\x5C" "c\\file"));
    // Had the trail byte been taken for a separator, this folder would exist.
    EXPECT_FALSE(testing::FileExists(dir / "a\\b\\\x95"));
    testing::UseSingleByte();
}
#endif

}  // namespace
}  // namespace ark
