// Folder creation and name comparison, double-byte aware.
#include <gtest/gtest.h>

#include "archive/names.h"
#include "shared/base/dbcs.h"
#include "testing/kit/code_page.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"

namespace ark {
namespace {

TEST(Names, DoubleByteCharactersStayWhole) {
    KB_REQUIRE_CP932();
    EXPECT_TRUE(EqualIgnoringAsciiCase("\x83\x41x", "\x83\x41X"));
    EXPECT_FALSE(EqualIgnoringAsciiCase("\x83\x41", "\x83\x61"));
    kb::testing::UseSingleByteCodePage();
#ifndef _WIN32
    EXPECT_TRUE(EqualIgnoringAsciiCase("\x83\x41", "\x83\x61"));
#endif
}

// Natively only: the Wine prefix of the test runs does not store double-byte
// folder names through the A-functions faithfully, so only the split is shown.
#ifndef _WIN32
TEST(Names, MakePathFoldersCreatesEveryLevelButNotAfterATrailByte) {
    kb::testing::TempDir dir;
    KB_REQUIRE_CP932();
    MakePathFolders(dir / "a\\b\\\x95\x5C" "c\\file");
    EXPECT_TRUE(kb::testing::FileExists(dir / "a\\b"));
    EXPECT_TRUE(kb::testing::FileExists(dir / "a\\b\\\x95\x5C" "c"));
    EXPECT_FALSE(kb::testing::FileExists(dir / "a\\b\\\x95\x5C" "c\\file"));
    // Had the trail byte been taken for a separator, this folder would exist.
    EXPECT_FALSE(kb::testing::FileExists(dir / "a\\b\\\x95"));
    kb::testing::UseSingleByteCodePage();
}
#endif

}  // namespace
}  // namespace ark
