// Finding the session folders, reading a control file and removing only the
// unpacked copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/session/sessions.h"
#include "loader/session/tests/session_test_support.h"
#include "loader/tests/memory_profile.h"
#include "shared/base/fs.h"

namespace kb::loader {
namespace {

using testing::FileExists;
using testing::TempDir;
using testing::WriteWholeFile;

class ScanTest : public ::testing::Test {
protected:
    void MakeSession(const std::string& name, bool control = true, bool list = true) {
        ASSERT_TRUE(fs::CreateFolder(disc / name));
        if (control) {
            ASSERT_TRUE(WriteWholeFile(disc / (name + "\\Control.pck"), "pack"));
        }
        if (list) {
            ASSERT_TRUE(WriteWholeFile(disc / (name + "\\Files.lst"), "a,1,0\r\n"));
        }
    }
    std::vector<std::string> Folders() const {
        std::vector<std::string> out;
        for (int i = 1; i <= sessions.Count(); ++i) out.push_back(sessions.Session(i).folder);
        return out;
    }
    void Scan() {
        sessions.ScanSessions(disc.path(), [this] { ++pauses; });
    }
    TempDir disc;
    TSessionS sessions{testing::ByteSortedLists()};
    int pauses = 0;
};

TEST_F(ScanTest, GapsAreClosedUpInFolderOrder) {
    MakeSession("Session20");
    MakeSession("Session05");
    MakeSession("Session02");
    Scan();
    EXPECT_EQ(Folders(), (std::vector<std::string>{disc / "Session02", disc / "Session05", disc / "Session20"}));
    EXPECT_EQ(pauses, 0);
}

TEST_F(ScanTest, AFolderCountsOnlyWithBothFilesAsFiles) {
    MakeSession("Session01", true, false);
    MakeSession("Session02", false, true);
    MakeSession("Session03", false, false);
    ASSERT_TRUE(fs::CreateFolder(disc / "Session03\\Control.pck"));
    ASSERT_TRUE(WriteWholeFile(disc / "Session03\\Files.lst", ""));
    ASSERT_TRUE(WriteWholeFile(disc / "Session04", "a file, not a folder"));
    MakeSession("Session21");
    MakeSession("Session6");
    MakeSession("Session07");
    Scan();
    EXPECT_EQ(Folders(), (std::vector<std::string>{disc / "Session07"}));
}

TEST_F(ScanTest, ASystemFolderIsNotFoundByTheSearch) {
    MakeSession("Session01");
    MakeSession("Session02");
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::SetAttributes(disc / "Session01", fs::kAttrSystem));
    ASSERT_TRUE(fs::GetAttributes(disc / "Session01", &attributes));
    if (!(attributes & fs::kAttrSystem)) GTEST_SKIP() << "this file system keeps no system attribute on folders";
    Scan();
    EXPECT_EQ(Folders(), (std::vector<std::string>{disc / "Session02"}));
}

TEST_F(ScanTest, AnEmptyDiscIsScannedTwentyOneTimes) {
    Scan();
    EXPECT_EQ(sessions.Count(), 0);
    EXPECT_EQ(pauses, 20);
}

TEST(ControlFile, KeysWithTheirDefaults) {
    testing::MemoryProfiles files;
    files["full.ini"]
        .Set("General", "Archive", "Data.pck")
        .Set("General", "VolumeLabel", "VOLUME 1")
        .Set("General", "Password", "  kept blanks  ");
    TSessionS sessions{testing::ByteSortedLists()};
    sessions.ReadControlIni(2, "full.ini", files.Opener());
    EXPECT_EQ(sessions.Session(2).archive, "Data.pck");
    EXPECT_EQ(sessions.Session(2).volumeLabel, "VOLUME 1");
    EXPECT_EQ(sessions.Session(2).password, "  kept blanks  ");
    sessions.ReadControlIni(2, "empty.ini", files.Opener());
    EXPECT_EQ(sessions.Session(2).archive, "Archive");
    EXPECT_EQ(sessions.Session(2).volumeLabel, "NONE");
    EXPECT_EQ(sessions.Session(2).password, "");
}

TEST(UnpackedFiles, OnlyTheUnpackedCopyIsEverDeleted) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir / "Control.ini", "[General]\r\n"));
    ASSERT_TRUE(WriteWholeFile(dir / "Files.lst", "a,1,0\r\n"));
    TSessionS sessions{testing::ByteSortedLists()};

    sessions.SetCurrentFile(dir / "Files.lst", false);
    sessions.DeleteUnpackedFiles("");
    EXPECT_TRUE(FileExists(dir / "Files.lst"));

    sessions.SetCurrentFile(dir / "Control.ini", true);
    sessions.DeleteUnpackedFiles("");
    EXPECT_FALSE(FileExists(dir / "Control.ini"));

    ASSERT_TRUE(WriteWholeFile(dir / "Other.ini", ""));
    sessions.SetCurrentFile(dir / "Files.lst", false);
    sessions.DeleteUnpackedFiles(dir / "Other.ini");
    EXPECT_FALSE(FileExists(dir / "Other.ini"));
    EXPECT_TRUE(FileExists(dir / "Files.lst"));
}

}  // namespace
}  // namespace kb::loader
