// Files.lst: numbers, unsafe paths, the row reader, and the session lists
// built from it for each edition.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loader/session/files_lst.h"
#include "loader/session/sessions.h"
#include "loader/session/tests/session_test_support.h"

namespace kb::loader {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

TEST(FilesLstNumbers, OnlyDecimalIntegersInRange) {
    struct Case {
        const char* text;
        bool ok64;
        int64_t value64;
        bool ok32;
    };
    const Case cases[] = {
        {"0", true, 0, true},
        {"5000", true, 5000, true},
        {"+7", true, 7, true},
        {"-12", true, -12, true},
        {"3000000000", true, 3000000000LL, false},
        {"2147483647", true, 2147483647LL, true},
        {"-2147483648", true, -2147483648LL, true},
        {"9223372036854775807", true, INT64_MAX, false},
        {"-9223372036854775808", true, INT64_MIN, false},
        {"9223372036854775808", false, 0, false},
        {"", false, 0, false},
        {"-", false, 0, false},
        {"12a", false, 0, false},
        {"$10", false, 0, false},
        {"0x10", false, 0, false},
        {"1 2", false, 0, false},
    };
    for (const Case& c : cases) {
        int64_t v64 = 99;
        int32_t v32 = 99;
        EXPECT_EQ(ParseDecimal64(c.text, v64), c.ok64) << c.text;
        if (c.ok64) {
            EXPECT_EQ(v64, c.value64) << c.text;
        }
        EXPECT_EQ(ParseDecimal32(c.text, v32), c.ok32) << c.text;
    }
}

TEST(FilesLstPaths, UnsafePathsAreRefused) {
    struct Case {
        std::string path;
        bool safe;
    };
    const Case cases[] = {
        {"readme.txt", true},
        {"Docs\\", true},
        {"Docs\\Sub\\x.txt", true},
        {"a..b\\.hidden", true},
        {"", false},
        {"\\evil.txt", false},
        {"\\\\server\\share\\x", false},
        {"C:evil.txt", false},
        {"C:\\evil.txt", false},
        {"a/b.txt", false},
        {"..\\evil.txt", false},
        {"..", false},
        {"..\\", false},
        {"Docs\\..\\..\\evil.txt", false},
        {".\\x.txt", false},
        {"Docs\\.\\", false},
        {"Docs\\...\\x", false},
        {"Docs\\. .\\x", false},
        {"Docs\\\\x.txt", false},
        {"Docs\\\\", false},
        {" ", false},
        // Device names and the names the system rewrites.
        {"LPT1", false},
        {"nul.txt", false},
        {"Docs\\CON\\", false},
        {"Docs\\Aux\\x.txt", false},
        {"com1 .log", false},
        {"readme.txt.", false},
        {"readme.txt ", false},
        {"Docs.\\x.txt", false},
        {"Docs \\", false},
        {"Docs\\\\", false},
        {"CONSOLE.txt", true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSafeEntryPath(c.path), c.safe) << "[" << c.path << "]";
}

TEST(FilesLstRows, CommentsBlankLinesQuotesAndKinds) {
    const std::string text =
        "// a comment line\r\n"
        "\r\n"
        "   \t \r\n"
        "Docs\\a.txt, 12 ,0\r\n"
        "kept.txt,1,0 // a comment after a row drops the row\r\n"
        "\"notes, old.txt\",7,0,ignored\r\n"
        "Docs,5000,2,-3\r\n"
        "last.txt,3,1";
    std::vector<FilesLstRow> rows;
    EXPECT_EQ(ReadFilesLstRows(text, [&](const FilesLstRow& r) { rows.push_back(r); }), FilesLstStop::None);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].path, "Docs\\a.txt");
    EXPECT_EQ(rows[0].size, 12);
    EXPECT_EQ(rows[1].path, "notes, old.txt");
    EXPECT_EQ(rows[1].kind, 0);
    EXPECT_EQ(rows[2].path, "Docs");
    EXPECT_EQ(rows[2].kind, 2);
    EXPECT_EQ(rows[2].field4, -3);
    EXPECT_EQ(rows[3].kind, 1);
}

TEST(FilesLstRows, StopAtTheFirstFieldThatIsNotANumber) {
    struct Case {
        const char* text;
        size_t rowsBefore;
        FilesLstStop stop;
    };
    const Case cases[] = {
        {"a,1,0\r\nb,x,0\r\nc,1,0\r\n", 1, FilesLstStop::BadNumber},  // size
        {"a,1,0\r\nb,1,\r\nc,1,0\r\n", 1, FilesLstStop::BadNumber},   // Kind missing
        {"a,1,0\r\nDocs,1,2,x\r\n", 1, FilesLstStop::BadNumber},      // a summary row's field 4
        {"Docs,1,2,3000000000\r\n", 0, FilesLstStop::BadNumber},      // beyond 32 bits
        {"a,1,0,an entry row's field 4 is not read\r\n", 1, FilesLstStop::None},
    };
    for (const Case& c : cases) {
        size_t rows = 0;
        EXPECT_EQ(ReadFilesLstRows(c.text, [&](const FilesLstRow&) { ++rows; }), c.stop) << c.text;
        EXPECT_EQ(rows, c.rowsBefore) << c.text;
    }
}

// One row of the session file list as "caption|flag|size|rule|icon key".
std::vector<std::string> Shown(const SessionRecord& r) {
    std::vector<std::string> out;
    for (const ListRow& row : r.fileList)
        out.push_back(row.caption + "|" + row.subItems[0] + "|" + row.subItems[1] + "|" + row.subItems[2] + "|" +
                      std::to_string(row.imageIndex));
    return out;
}

std::vector<std::string> Captions(const EntryList& list) {
    std::vector<std::string> out;
    for (const ListRow& row : list.Rows()) out.push_back(row.caption + "#" + row.subItems[2]);
    return out;
}

class FileListTest : public ::testing::Test {
protected:
    // Builds session 1 from text for the edition; the icon of a key is its
    // position in the keys asked for.
    FileListResult Load(const std::string& text, int edition) {
        EXPECT_TRUE(WriteWholeFile(dir / "Files.lst", text));
        return edition == 1 ? sessions.LoadFileListForEdition1(1, dir / "Files.lst", Icons())
                            : sessions.LoadFileList(1, dir / "Files.lst", Icons(), "M208");
    }
    IconLookup Icons() {
        return [this](const std::string& key) {
            iconKeys.push_back(key);
            return static_cast<int>(iconKeys.size()) - 1;
        };
    }
    TempDir dir;
    TSessionS sessions{testing::ByteSortedLists()};
    std::vector<std::string> iconKeys;
};

const char kDocsRows[] =
    "Docs\\,0,0\r\n"
    "Docs\\a.txt,100,0\r\n"
    "readme.txt,20,0\r\n"
    "Docs,5000,2,0\r\n";

TEST_F(FileListTest, EditionsZeroAndTwoShowOneRowPerTopLevelEntry) {
    const FileListResult r = Load(kDocsRows, 0);
    EXPECT_EQ(r.stop, FilesLstStop::None);
    EXPECT_EQ(r.unsafeRows, 0);
    const SessionRecord& s = sessions.Session(1);
    EXPECT_EQ(Captions(*s.fullList), (std::vector<std::string>{"Docs\\#1", "Docs\\a.txt#2", "readme.txt#3"}));
    EXPECT_EQ(Shown(s), (std::vector<std::string>{"Docs|1|5000|0|0", "readme.txt|0|0|0|1"}));
    EXPECT_EQ(iconKeys, (std::vector<std::string>{"Docs\\", "readme.txt"}));
    EXPECT_EQ(s.sizeText, "M208");
}

TEST_F(FileListTest, TheEditionsDifferWhereAFolderHasNoRowOfItsOwn) {
    const std::string rows = "Docs\\a.txt,100,0\r\nreadme.txt,20,0\r\nDocs,5000,2,7\r\n";
    struct Case {
        int edition;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {0, {"readme.txt|0|0|0|0"}},
        {2, {"readme.txt|0|0|0|0"}},
        {1, {"Docs|1|5000|7|0", "readme.txt|0|0|0|1"}},
    };
    for (const Case& c : cases) {
        TSessionS fresh{testing::ByteSortedLists()};
        ASSERT_TRUE(WriteWholeFile(dir / "Files.lst", rows));
        iconKeys.clear();
        if (c.edition == 1)
            fresh.LoadFileListForEdition1(1, dir / "Files.lst", Icons());
        else
            fresh.LoadFileList(1, dir / "Files.lst", Icons(), "M208");
        EXPECT_EQ(Shown(fresh.Session(1)), c.shown) << "edition " << c.edition;
    }
}

TEST_F(FileListTest, EditionOneKeepsTheFoldersOwnRowWithItsBackslash) {
    Load(kDocsRows, 1);
    const SessionRecord& s = sessions.Session(1);
    // The folder's own row and the row its files give, side by side.
    EXPECT_EQ(Shown(s), (std::vector<std::string>{"Docs\\|0|0|0|0", "Docs|1|5000|0|1", "readme.txt|0|0|0|2"}));
    EXPECT_EQ(iconKeys, (std::vector<std::string>{"Docs\\", "Docs\\", "readme.txt"}));
    EXPECT_EQ(s.sizeText, kEdition1SizeText);
    EXPECT_EQ(std::string(kEdition1SizeText).size(), 26u);
}

TEST_F(FileListTest, DeeperFoldersSummaryRowsAndQuotedNames) {
    const std::string rows =
        "// published list\r\n"
        "Docs\\Sub\\,0,1\r\n"
        "Docs\\Sub\\b.bin,70000,0\r\n"
        "Docs\\,0,1\r\n"
        "Docs\\a.txt,7,0\r\n"
        "\"notes, old.txt\",21,0\r\n"
        "readme.txt,9,0 // reviewed\r\n"
        "Docs,70007,2,1\r\n"
        "\"notes, old.txt\",21,3,2\r\n";
    EXPECT_EQ(Load(rows, 0).stop, FilesLstStop::None);
    const SessionRecord& s = sessions.Session(1);
    EXPECT_EQ(Captions(*s.fullList), (std::vector<std::string>{"Docs\\Sub\\#1", "Docs\\Sub\\b.bin#2", "Docs\\#3",
                                                               "Docs\\a.txt#4", "notes, old.txt#5"}));
    // Docs\Sub\ opens the group, so Docs\ (one part, another first part)
    // starts a new one that gives the row.
    EXPECT_EQ(Shown(s), (std::vector<std::string>{"Docs|1|70007|1|0", "notes, old.txt|0|21|2|1"}));
}

TEST_F(FileListTest, UnsafeRowsAreNeitherListedNorShownAndAreCounted) {
    const std::string rows =
        "..\\evil.txt,1,0\r\n"
        "\\rooted.txt,1,0\r\n"
        "C:evil.txt,1,0\r\n"
        "a/b.txt,1,0\r\n"
        "Docs\\..\\..\\x.txt,1,0\r\n"
        "\"\",1,0\r\n"
        "good.txt,1,0\r\n"
        "..,9,2,0\r\n";
    const FileListResult r = Load(rows, 0);
    EXPECT_EQ(r.unsafeRows, 6);
    const SessionRecord& s = sessions.Session(1);
    EXPECT_EQ(Captions(*s.fullList), (std::vector<std::string>{"good.txt#1"}));
    EXPECT_EQ(Shown(s), (std::vector<std::string>{"good.txt|0|0|0|0"}));
}

TEST_F(FileListTest, ABadNumberKeepsTheRowsReadBeforeIt) {
    const FileListResult r = Load("a.txt,1,0\r\nDocs\\,0,1\r\nb.txt,oops,0\r\nc.txt,1,0\r\n", 0);
    EXPECT_EQ(r.stop, FilesLstStop::BadNumber);
    EXPECT_EQ(Shown(sessions.Session(1)), (std::vector<std::string>{"Docs|1|0|0|0", "a.txt|0|0|0|1"}));
}

TEST_F(FileListTest, AMissingFileIsUnreadableAndLeavesEmptyLists) {
    const FileListResult r = sessions.LoadFileList(1, dir / "Missing.lst", Icons(), "M208");
    EXPECT_EQ(r.stop, FilesLstStop::Unreadable);
    EXPECT_TRUE(sessions.Session(1).Opened());
    EXPECT_TRUE(sessions.Session(1).fileList.empty());
    EXPECT_TRUE(sessions.Session(1).fullList->Rows().empty());
}

// What one file list may make the loader hold: at most kMaxFilesLstRows rows
// (the rows before the limit are kept) and kMaxFilesLstBytes bytes (a larger
// file is not read at all).
TEST_F(FileListTest, AFileListIsReadUpToItsLimitsAndNoFurther) {
    std::string rows;
    for (size_t i = 0; i < kMaxFilesLstRows; ++i) rows += "f" + std::to_string(i % 10) + ",1,0\r\n";
    ASSERT_TRUE(WriteWholeFile(dir / "Files.lst", rows));
    FileListResult r = sessions.LoadFileList(1, dir / "Files.lst", Icons(), "M208");
    EXPECT_EQ(r.stop, FilesLstStop::None);
    EXPECT_EQ(sessions.Session(1).fullList->Rows().size(), kMaxFilesLstRows);

    // One row more, a summary row, counts too.
    ASSERT_TRUE(WriteWholeFile(dir / "Files.lst", rows + "f1,9,2,0\r\nlast.txt,1,0\r\n"));
    r = sessions.LoadFileList(1, dir / "Files.lst", Icons(), "M208");
    EXPECT_EQ(r.stop, FilesLstStop::TooManyRows);
    EXPECT_EQ(sessions.Session(1).fullList->Rows().size(), kMaxFilesLstRows);
    EXPECT_EQ(Shown(sessions.Session(1)).size(), 10u) << "the rows before the limit are on view";

    // Blank and comment lines are no rows.
    ASSERT_TRUE(WriteWholeFile(dir / "Files.lst", rows + "\r\n// note\r\n"));
    EXPECT_EQ(sessions.LoadFileList(1, dir / "Files.lst", Icons(), "M208").stop, FilesLstStop::None);
}

TEST_F(FileListTest, AFileListOverTheByteLimitIsNotRead) {
    std::string text = "a.txt,1,0\r\n";
    text += std::string(kMaxFilesLstBytes - text.size() - 2, ' ') + "\r\n";
    ASSERT_EQ(text.size(), kMaxFilesLstBytes);
    ASSERT_TRUE(WriteWholeFile(dir / "Files.lst", text));
    std::string read;
    bool tooLarge = true;
    EXPECT_TRUE(ReadFilesLstText(dir / "Files.lst", read, &tooLarge));
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(read.size(), kMaxFilesLstBytes);
    EXPECT_EQ(sessions.LoadFileList(1, dir / "Files.lst", Icons(), "M208").stop, FilesLstStop::None);

    ASSERT_TRUE(WriteWholeFile(dir / "Files.lst", text + "b"));
    EXPECT_FALSE(ReadFilesLstText(dir / "Files.lst", read, &tooLarge));
    EXPECT_TRUE(tooLarge);
    EXPECT_TRUE(read.empty());
    const FileListResult r = sessions.LoadFileList(1, dir / "Files.lst", Icons(), "M208");
    EXPECT_EQ(r.stop, FilesLstStop::TooLarge);
    EXPECT_TRUE(sessions.Session(1).fullList->Rows().empty());
    EXPECT_TRUE(sessions.Session(1).fileList.empty());
}

TEST_F(FileListTest, OpeningAgainRefillsWithoutDoublingAndKeepsTheLabels) {
    sessions.Session(1).volumeLabel = "FIRST";
    Load(kDocsRows, 0);
    sessions.Session(1).volumeLabel = "SECOND";
    sessions.Session(1).selected = {0};
    Load(kDocsRows, 0);
    const SessionRecord& s = sessions.Session(1);
    EXPECT_EQ(s.fullList->Rows().size(), 3u);
    EXPECT_EQ(s.fileList.size(), 2u);
    EXPECT_TRUE(s.selected.empty());
    EXPECT_EQ(s.volumeText, "FIRST");
}

TEST_F(FileListTest, ShiftJisNamesWhoseTrailByteIsABackslash) {
    LOADER_REQUIRE_CP932();
    // "表" is 0x95 0x5C: its second byte must not split the path.
    const std::string rows = std::string("\x95\x5C\\,0,1\r\n") + "\x95\x5C\\\x83\x5C.txt,4,0\r\n" +
                             "\x83\x5C,4,0\r\n" + "\x95\x5C,4,2,0\r\n";
    Load(rows, 0);
    const SessionRecord& s = sessions.Session(1);
    EXPECT_EQ(Shown(s), (std::vector<std::string>{"\x95\x5C|1|4|0|0", "\x83\x5C|0|0|0|1"}));
    EXPECT_EQ(iconKeys, (std::vector<std::string>{"\x95\x5C\\", "\x83\x5C"}));
    testing::UseSingleByteCodePage();
}

}  // namespace
}  // namespace kb::loader
