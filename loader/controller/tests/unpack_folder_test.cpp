// The private unpack folder: a fresh name under the work folder, everything
// in it removed with it, nothing else touched.
#include <gtest/gtest.h>

#include <string>

#include "loader/controller/unpack_folder.h"
#include "loader/session/tests/session_test_support.h"
#include "shared/base/fs.h"

namespace kb::loader {
namespace {

using testing::FileExists;
using testing::TempDir;
using testing::WriteWholeFile;

TEST(UnpackFolder, AFreshFolderUnderTheWorkFolderRemovedWithItsFiles) {
    TempDir dir;
    const std::string work = dir / "QZTemp";
    ASSERT_TRUE(fs::CreateFolder(work));
    ASSERT_TRUE(fs::CreateFolder(work + "\\~ini0000"));  // another run's, kept
    ASSERT_TRUE(WriteWholeFile(work + "\\~ini0000\\Sessions.ini", "theirs"));
    {
        UnpackFolder folder(work);
        const std::string path = folder.Make();
        EXPECT_EQ(path, work + "\\~ini0001\\");
        EXPECT_EQ(folder.Make(), path);  // held until removed
        ASSERT_TRUE(WriteWholeFile(path + "Sessions.ini", "ours"));
        ASSERT_TRUE(fs::SetAttributes(path + "Sessions.ini", fs::kAttrReadOnly));
        ASSERT_TRUE(fs::CreateFolder(path + "Sub"));
        ASSERT_TRUE(WriteWholeFile(path + "Sub\\x", "ours"));
        folder.Remove();
        EXPECT_FALSE(FileExists(work + "\\~ini0001"));
        EXPECT_FALSE(folder.Held());
        EXPECT_EQ(folder.Make(), work + "\\~ini0001\\");
    }
    // The destructor removes what is held.
    EXPECT_FALSE(FileExists(work + "\\~ini0001"));
    EXPECT_TRUE(FileExists(work + "\\~ini0000\\Sessions.ini"));
}

TEST(UnpackFolder, AMissingWorkFolderIsMadeAndAnImpossibleOneGivesNothing) {
    TempDir dir;
    UnpackFolder made(dir / "Base\\QZTemp");
    EXPECT_EQ(made.Make(), dir / "Base\\QZTemp\\~ini0000\\");
    ASSERT_TRUE(WriteWholeFile(dir / "file", ""));
    UnpackFolder impossible(dir / "file\\QZTemp");
    EXPECT_EQ(impossible.Make(), "");
    EXPECT_FALSE(impossible.Held());
    UnpackFolder none("");
    EXPECT_EQ(none.Make(), "");
}

}  // namespace
}  // namespace kb::loader
