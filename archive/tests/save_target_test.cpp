// Extraction onto the archive being read: SaveByIndex, SaveByName and SaveAll
// refuse a target that is the archive itself, however its path is spelled,
// and leave the archive as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "archive/api.h"
#include "archive/frame.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"
#include "testing/builders/ach_builder.h"

namespace ark {
namespace {

using testing::AchBuilder;
using kb::testing::FileExists;
using kb::testing::NativePath;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

// The name of an entry that extracts onto the archive "a.ach" in its own
// folder: the file system decides whether letter case tells names apart.
#ifdef _WIN32
constexpr const char* kArchiveAsEntry = "A.Ach";
#else
constexpr const char* kArchiveAsEntry = "a.ach";
#endif

class SaveTargetTest : public ::testing::Test {
protected:
    TempDir dir;
    TempDir logDir;
    ScopedTempFolder scopedTemp{logDir.path()};
    RecordingSink sink;
    std::string archive = dir / "a.ach";
    std::string image =
        AchBuilder(4).Add("x.txt", "ex").Add(kArchiveAsEntry, "would replace").Add("y.txt", "why").Build();

    void SetUp() override { ASSERT_TRUE(WriteWholeFile(archive, image)); }
    std::string Bytes(const std::string& path) {
        std::string bytes;
        return ReadWholeFile(path, bytes) ? bytes : "<missing>";
    }
    struct Spelling {
        const char* what;
        std::string path;
        bool opens;  // the archive can be read by this name too
    };
    // Every spelling of the archive's path this test knows.
    std::vector<Spelling> Spellings() {
        std::string slashes = archive;
        std::replace(slashes.begin(), slashes.end(), '\\', '/');
#ifdef _WIN32
        const bool throughMissingFolderOpens = true;
#else
        const bool throughMissingFolderOpens = false;  // a native path walks through "none"
#endif
        std::vector<Spelling> spellings = {
            {"as given", archive, true},
            {"through .", dir / ".\\a.ach", true},
            {"through a missing folder and ..", dir / "none\\..\\a.ach", throughMissingFolderOpens},
            {"with forward slashes", slashes, true},
            {"by a hard link", dir / "link.ach", true},
        };
#ifdef _WIN32
        std::string upper = archive;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        spellings.push_back({"in upper case", upper, true});
#endif
        return spellings;
    }
};

TEST_F(SaveTargetTest, SavingAnEntryOntoTheArchiveIsRefusedByAnySpelling) {
    std::error_code ec;
    std::filesystem::create_hard_link(NativePath(archive), NativePath(dir / "link.ach"), ec);
    ASSERT_FALSE(ec) << ec.message();
    for (const Spelling& s : Spellings()) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(api::SaveByIndex(archive.c_str(), 0, s.path.c_str()), ARKSTOWRET_SAVE_FAILED);
        EXPECT_EQ(api::SaveByName(archive.c_str(), "y.txt", s.path.c_str()), ARKSTOWRET_SAVE_FAILED);
        // The same file named the other way round.
        EXPECT_EQ(api::SaveByIndex(s.path.c_str(), 2, archive.c_str()),
                  s.opens ? ARKSTOWRET_SAVE_FAILED : ARKSTOWRET_OPEN_FAILED);
        EXPECT_EQ(Bytes(archive), image);
        EXPECT_FALSE(FileExists(dir / "none"));
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SaveTargetTest, RelativeSpellingsAreRefusedToo) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(NativePath(dir.path()));
    const std::string leaf = std::filesystem::path(NativePath(dir.path())).filename().string();
    for (const std::string& target : {std::string("a.ach"), std::string(".\\a.ach"), "..\\" + leaf + "\\a.ach"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(api::SaveByIndex(archive.c_str(), 0, target.c_str()), ARKSTOWRET_SAVE_FAILED);
        EXPECT_EQ(api::SaveByName("a.ach", "x.txt", target.c_str()), ARKSTOWRET_SAVE_FAILED);
    }
    std::filesystem::current_path(before);
    EXPECT_EQ(Bytes(archive), image);
}

TEST_F(SaveTargetTest, OtherTargetsBesideTheArchiveAreStillWritten) {
    EXPECT_EQ(api::SaveByIndex(archive.c_str(), 1, (dir / "b.ach").c_str()), 0);
    EXPECT_EQ(Bytes(dir / "b.ach"), "would replace");
    EXPECT_EQ(api::SaveByName(archive.c_str(), "x.txt", (dir / "a.ach.bak").c_str()), 0);
    EXPECT_EQ(Bytes(dir / "a.ach.bak"), "ex");
    EXPECT_EQ(Bytes(archive), image);
}

// SaveAll into the archive's own folder: the entry named like the archive is
// refused, the others are extracted, and the refusal is the result.
TEST_F(SaveTargetTest, SaveAllIntoTheArchivesFolderSkipsTheEntryNamedLikeIt) {
    for (const std::string& folder : {dir.path(), dir / ".", dir.path() + "\\"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(api::SaveAll(archive.c_str(), folder.c_str()), ARKSTOWRET_SAVE_FAILED);
        EXPECT_EQ(Bytes(archive), image);
        EXPECT_EQ(Bytes(dir / "x.txt"), "ex");
        EXPECT_EQ(Bytes(dir / "y.txt"), "why");
    }
    TempDir elsewhere;
    EXPECT_EQ(api::SaveAll(archive.c_str(), elsewhere.path().c_str()), 0);
    EXPECT_EQ(Bytes(elsewhere / kArchiveAsEntry), "would replace");
}

}  // namespace
}  // namespace ark
