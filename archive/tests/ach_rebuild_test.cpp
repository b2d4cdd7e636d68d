// Removal: the rebuilt archive for each position removed, by name, from a
// scrambled archive; the temp folder left as it was; and every failing step,
// injected or real, leaving the archive byte for byte unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/ach_api.h"
#include "archive/ach_writer.h"
#include "archive/api.h"
#include "archive/frame.h"
#include "shared/base/fs.h"
#include "archive/tests/ach_test_support.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"

namespace ark {

namespace fs = kb::fs;

namespace {

using namespace ark::testing;
using kb::testing::FileExists;
using kb::testing::Listing;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

const std::vector<EntrySpec> kThree = {
    {"first.txt", "one", 1}, {"dir\\second.bin", Pattern(70000, 2), 2}, {"third", "", 3}};

std::vector<EntrySpec> Without(std::vector<EntrySpec> entries, size_t index) {
    entries.erase(entries.begin() + static_cast<long>(index));
    return entries;
}

class RebuildTest : public ::testing::Test {
protected:
    TempDir dir;
    TempDir expectDir;
    TempDir temp;
    ScopedTempFolder scopedTemp{temp.path()};
    RecordingSink sink;
    ScopedBodyCoding coding;
    std::string archive = dir / "a.ach";

    // The archive CreateNew and Add make from entries directly.
    std::string Expected(int capacity, const std::vector<EntrySpec>& entries) {
        const std::string path = expectDir / "expected.ach";
        EXPECT_EQ(BuildPlainArchive(path, capacity, entries, expectDir.path()), 0);
        return ReadAll(path);
    }
    // What the temp folder holds apart from the error log.
    std::vector<std::string> TempListing() {
        auto names = Listing(temp.path());
        std::erase(names, std::string(kErrorLogName));
        return names;
    }
};

TEST_F(RebuildTest, RemovingTheFirstAMiddleOrTheLastEntryKeepsTheOthersInOrder) {
    for (size_t index = 0; index < kThree.size(); ++index) {
        SCOPED_TRACE(index);
        ASSERT_EQ(BuildPlainArchive(archive, 5, kThree, dir.path()), 0);
        ASSERT_EQ(api::RemoveByIndex(archive.c_str(), static_cast<int>(index)), 0);
        // Same capacity, bodies, names and information blocks, nothing of the removed entry.
        EXPECT_EQ(Hex(ReadAll(archive)), Hex(Expected(5, Without(kThree, index))));
        EXPECT_TRUE(TempListing().empty());
    }
}

TEST_F(RebuildTest, RemoveByNameTakesEveryMatchIgnoringCase) {
    const std::vector<EntrySpec> entries = {{"Twice", "1", 1}, {"other", "2", 2}, {"twice", "3", 3}};
    ASSERT_EQ(BuildPlainArchive(archive, 4, entries, dir.path()), 0);
    ASSERT_EQ(api::RemoveByName(archive.c_str(), "TWICE"), 0);
    EXPECT_EQ(Hex(ReadAll(archive)), Hex(Expected(4, {{"other", "2", 2}})));
}

TEST_F(RebuildTest, RemoveByNameOfAnAbsentNameRewritesTheSameEntries) {
    ASSERT_EQ(BuildPlainArchive(archive, 4, kThree, dir.path()), 0);
    const std::string before = ReadAll(archive);
    EXPECT_EQ(api::RemoveByName(archive.c_str(), "absent"), 0);
    EXPECT_EQ(Hex(ReadAll(archive)), Hex(before));
}

TEST_F(RebuildTest, BadIndexesAndMissingArchivesChangeNothing) {
    ASSERT_EQ(BuildPlainArchive(archive, 4, kThree, dir.path()), 0);
    const std::string before = ReadAll(archive);
    for (int index : {-1, 3, 100}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(api::RemoveByIndex(archive.c_str(), index), ARKSTOWRET_BAD_INDEX);
        EXPECT_EQ(ReadAll(archive), before);
    }
    EXPECT_EQ(api::RemoveByIndex((dir / "none.ach").c_str(), 0), ARKSTOWRET_OPEN_FAILED);
    EXPECT_EQ(api::RemoveByName((dir / "none.ach").c_str(), "x"), ARKSTOWRET_OPEN_FAILED);
    EXPECT_EQ(api::RemoveByName(archive.c_str(), nullptr), ARKSTOWRET_BAD_ARGUMENT);
    EXPECT_TRUE(TempListing().empty());
}

TEST_F(RebuildTest, RemovalFromAScrambledArchiveGivesAPlainOne) {
    const std::string plain = dir / "p.ach";
    ASSERT_EQ(BuildPlainArchive(plain, 4, kThree, dir.path()), 0);
    ASSERT_EQ(api::EncryptAchFile(plain.c_str(), archive.c_str()), 0);
    ASSERT_EQ(api::RemoveByIndex(archive.c_str(), 0), 0);
    EXPECT_EQ(Hex(ReadAll(archive)), Hex(Expected(4, Without(kThree, 0))));
}

TEST_F(RebuildTest, FilesOfTheUserInTheTempFolderAreNeverTouched) {
    // Files named like the entries and like the rebuild's own extraction.
    for (const char* name : {"first.txt", "third", "entry", "dir"})
        ASSERT_TRUE(WriteWholeFile(temp / name, std::string("user's ") + name));
    ASSERT_EQ(BuildPlainArchive(archive, 4, kThree, dir.path()), 0);
    ASSERT_EQ(api::RemoveByIndex(archive.c_str(), 1), 0);
    for (const char* name : {"first.txt", "third", "entry", "dir"}) {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(temp / name, bytes));
        EXPECT_EQ(bytes, std::string("user's ") + name);
    }
    EXPECT_EQ(TempListing(), (std::vector<std::string>{"dir", "entry", "first.txt", "third"}));
}

TEST_F(RebuildTest, AnArchiveNamedLikeTheTemporaryArchiveStillWorks) {
    const std::string inTemp = temp / "tmp.ach";
    ASSERT_EQ(BuildPlainArchive(inTemp, 4, kThree, dir.path()), 0);
    ASSERT_EQ(api::RemoveByIndex(inTemp.c_str(), 2), 0);
    EXPECT_EQ(Hex(ReadAll(inTemp)), Hex(Expected(4, Without(kThree, 2))));
    EXPECT_EQ(TempListing(), std::vector<std::string>{"tmp.ach"});
}

// A file of the user's named like the temporary archive, read-only or not,
// keeps its bytes and attributes through removals by index and by name.
TEST_F(RebuildTest, AUsersTmpAchInTheTempFolderIsNeverTouched) {
    struct Case {
        bool readOnly;
        bool byName;
    };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        SCOPED_TRACE(std::string(c.readOnly ? "read-only" : "writable") + (c.byName ? ", by name" : ", by index"));
        const std::string users = temp / "tmp.ach";
        ASSERT_TRUE(WriteWholeFile(users, "the user's own tmp.ach"));
        if (c.readOnly) {
            ASSERT_TRUE(fs::SetAttributes(users, fs::kAttrReadOnly));
        }
        uint32_t attributesBefore = 0;
        ASSERT_TRUE(fs::GetAttributes(users, &attributesBefore));
        ASSERT_EQ(BuildPlainArchive(archive, 4, kThree, dir.path()), 0);

        ASSERT_EQ(c.byName ? api::RemoveByName(archive.c_str(), "FIRST.TXT") : api::RemoveByIndex(archive.c_str(), 0),
                  0);
        EXPECT_EQ(Hex(ReadAll(archive)), Hex(Expected(4, Without(kThree, 0))));
        EXPECT_EQ(ReadAll(users), "the user's own tmp.ach");
        uint32_t attributes = 0;
        EXPECT_TRUE(fs::GetAttributes(users, &attributes));
        EXPECT_EQ(attributes, attributesBefore);
        EXPECT_EQ(TempListing(), std::vector<std::string>{"tmp.ach"});
        fs::SetAttributes(users, fs::kAttrNormal);
        ASSERT_TRUE(fs::RemoveFile(users));
    }
}

TEST_F(RebuildTest, ReadOnlyEntriesSurviveTheRebuild) {
    ASSERT_EQ(BuildPlainArchive(archive, 3, kThree, dir.path()), 0);
    // Give entry 1 the read-only attribute in its stored information block.
    std::string bytes = ReadAll(archive);
    const size_t attributes = 4 + 40 * 1 + 12;
    bytes[attributes] = static_cast<char>(bytes[attributes] | fs::kAttrReadOnly);
    ASSERT_TRUE(WriteWholeFile(archive, bytes));
    ASSERT_EQ(api::RemoveByIndex(archive.c_str(), 0), 0);
    TAchFileInfo info{};
    ASSERT_EQ(api::GetInfo(archive.c_str(), 0, &info), 0);
    EXPECT_TRUE(info.attributes & fs::kAttrReadOnly);
    EXPECT_TRUE(TempListing().empty());
}

struct FaultCase {
    RebuildStep step;
    int entry;
    const char* what;
};

class RebuildFaultTest : public RebuildTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    void TearDown() override { SetRebuildFaultForTesting(nullptr); }
};

TEST_P(RebuildFaultTest, AFailingStepLeavesTheArchiveAndTheTempFolderAsTheyWere) {
    const FaultCase c = GetParam();
    ASSERT_EQ(BuildPlainArchive(archive, 4, kThree, dir.path()), 0);
    const std::string before = ReadAll(archive);
    const auto folderBefore = Listing(dir.path());
    bool fired = false;
    SetRebuildFaultForTesting([&](RebuildStep step, int entry) {
        if (step != c.step || entry != c.entry) return false;
        fired = true;
        return true;
    });
    EXPECT_EQ(api::RemoveByIndex(archive.c_str(), 0), ARKSTOWRET_CLIB_ERROR);
    EXPECT_TRUE(fired);
    EXPECT_EQ(ReadAll(archive), before);
    EXPECT_EQ(Listing(dir.path()), folderBefore);
    EXPECT_TRUE(TempListing().empty());
    EXPECT_TRUE(FileExists(temp / kErrorLogName));
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, RebuildFaultTest,
    ::testing::Values(FaultCase{RebuildStep::PrivateFolder, -1, "PrivateFolder"},
                      FaultCase{RebuildStep::CreateTemporary, -1, "CreateTemporary"},
                      FaultCase{RebuildStep::ReadName, 0, "ReadNameOfTheRemovedEntry"},
                      FaultCase{RebuildStep::ReadName, 2, "ReadNameOfTheLastEntry"},
                      FaultCase{RebuildStep::Extract, 1, "ExtractFirstKept"},
                      FaultCase{RebuildStep::Extract, 2, "ExtractLast"},
                      FaultCase{RebuildStep::Append, 1, "AppendFirstKept"},
                      FaultCase{RebuildStep::Append, 2, "AppendLast"},
                      FaultCase{RebuildStep::DeleteExtracted, 2, "DeleteExtracted"},
                      FaultCase{RebuildStep::CopyBeside, -1, "CopyBeside"},
                      FaultCase{RebuildStep::Verify, -1, "Verify"},
                      FaultCase{RebuildStep::Replace, -1, "Replace"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.what); });

TEST_F(RebuildTest, ARealExtractionFailureReturnsItsCodeAndKeepsTheArchive) {
    ASSERT_EQ(BuildPlainArchive(archive, 4, {{"a", "aaa", 1}, {"b", "bbbb", 2}}, dir.path()), 0);
    // The last body cut short by one byte.
    std::string bytes = ReadAll(archive);
    bytes.pop_back();
    ASSERT_TRUE(WriteWholeFile(archive, bytes));
    EXPECT_EQ(api::RemoveByIndex(archive.c_str(), 0), ARKSTOWRET_CLIB_ERROR);
    EXPECT_EQ(Server().CLibFunction(), "fread");
    EXPECT_EQ(Server().TargetStream(), "vSrc");
    EXPECT_EQ(ReadAll(archive), bytes);
    EXPECT_TRUE(TempListing().empty());
}

TEST_F(RebuildTest, AnEntryWhoseNameCannotBeStoredAgainFailsTheRemoval) {
    ASSERT_EQ(BuildPlainArchive(archive, 4, {{"a", "1", 1}, {"b", "2", 2}}, dir.path()), 0);
    // Entry 1's name made to leave a folder ("b" becomes ":").
    std::string bytes = ReadAll(archive);
    const size_t at = bytes.find(std::string("b\0", 2));
    ASSERT_NE(at, std::string::npos);
    bytes[at] = ':';
    ASSERT_TRUE(WriteWholeFile(archive, bytes));
    EXPECT_EQ(api::RemoveByIndex(archive.c_str(), 0), ARKSTOWRET_UNSAFE_NAME);
    EXPECT_EQ(ReadAll(archive), bytes);
    // Removing that entry itself works.
    EXPECT_EQ(api::RemoveByIndex(archive.c_str(), 1), 0);
    EXPECT_EQ(api::GetCount(archive.c_str(), nullptr, nullptr), 1);
}

}  // namespace
}  // namespace ark
