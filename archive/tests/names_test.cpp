// Folder creation and name comparison, double-byte aware.
#include <gtest/gtest.h>

#include "archive/core/names.h"
#include "archive/tests/test_support.h"
#include "shared/base/dbcs.h"

namespace ark {
namespace {

TEST(Names, DoubleByteCharactersStayWhole) {
    ARK_REQUIRE_SHIFT_JIS();
    EXPECT_TRUE(EqualIgnoringAsciiCase("\x83\x41x", "\x83\x41X"));
    EXPECT_FALSE(EqualIgnoringAsciiCase("\x83\x41", "\x83\x61"));
    testing::UseSingleByte();
#ifndef _WIN32
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
