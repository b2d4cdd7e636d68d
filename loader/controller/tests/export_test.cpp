// The export and the end of the loader over a recording host and a scripted
// pack library: a session opened from a disc folder reached as drive Q:,
// exported into a test folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "loader/controller/handoff.h"
#include "loader/controller/loader_controller.h"
#include "loader/controller/tests/controller_test_support.h"
#include "loader/controller/window_rules.h"
#include "shared/base/fs.h"
#include "shared/messages.h"
#include "shared/pack_errors.h"

namespace kb::loader {
namespace {

using testing::DriveQ;
using testing::FakePack;
using testing::FileExists;
using kb::testing::ReadAll;
using testing::TempDir;
using testing::WriteWholeFile;
using States = std::vector<std::string>;

// Docs (a folder with a file and an empty sub-folder), readme.txt, Docsx.txt.
constexpr char kFilesLst[] =
    "Docs\\,0,1\r\nDocs\\a.txt,7,0\r\nDocs\\Sub\\,0,1\r\nreadme.txt,9,0\r\nDocsx.txt,5,0\r\n"
    "Docs,7,2,0\r\nreadme.txt,9,2,0\r\nDocsx.txt,5,2,0\r\n";

int CountOf(const testing::Log& log, const std::string& prefix) {
    return static_cast<int>(
        std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}
bool IsFolder(const std::string& path) {
    uint32_t attributes = 0;
    return fs::GetAttributes(path, &attributes) && (attributes & fs::kAttrDirectory);
}
bool Has(const testing::Log& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

class Bench {
public:
    // A disc of one session with files, opened; the destination a fresh folder.
    void Open(const std::string& filesLst = kFilesLst, const std::string& type = "") {
        ASSERT_TRUE(fs::CreateFolder(DriveQ::On("Session01")));
        ASSERT_TRUE(WriteWholeFile(DriveQ::On("Session01\\Control.pck"), "pack"));
        ASSERT_TRUE(WriteWholeFile(DriveQ::On("Session01\\Files.lst"), filesLst));
        pack.contents[DriveQ::On("Session01\\Control.pck|Control.ini")] =
            "[General]\r\nArchive=Data.pck\r\nPassword=session word\r\n";
        if (type.empty()) {
            ASSERT_TRUE(WriteWholeFile(DriveQ::On("Sessions.Pck"), "pack"));
            pack.contents["Sessions.ini"] = "[General]\r\nPassword=disc word\r\n";
        } else {
            ASSERT_TRUE(fs::CreateFolder(DriveQ::On("PasswordType")));
            ASSERT_TRUE(WriteWholeFile(DriveQ::On("PasswordType\\PasswordType.Ini"),
                                       "[Password]\r\nType=" + type + "\r\n"));
        }
        ASSERT_EQ(controller.FormCreate({"/D:Q", "/H:1234"}, "C:\\Loader\\lumarforutil.exe"), RunMode::Lumar);
        testing::RunTicks(controller, host);
        ASSERT_TRUE(controller.Sessions().Session(1).Opened());
        dest = destDir.path() + "\\out";
        ASSERT_TRUE(fs::CreateFolder(dest));
        host.destination = dest;
        pack.unpacks = 0;
        log.clear();
    }
    size_t Row(const std::string& caption) {
        const auto& rows = controller.Sessions().Session(1).fileList;
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].caption == caption) return i;
        ADD_FAILURE() << caption;
        return 0;
    }
    void Select(const std::vector<std::string>& captions) {
        std::vector<size_t> rows;
        for (const auto& c : captions) rows.push_back(Row(c));
        controller.SelectionChanged(1, rows);
    }
    // Selects, starts and runs the export to its end; the states it ran.
    States Export(const std::vector<std::string>& captions) {
        Select(captions);
        controller.StartExport();
        return testing::RunTicks(controller, host);
    }
    std::string Target(const std::string& caption) { return dest + "\\" + caption; }

    DriveQ drive;
    TempDir workDir, destDir;
    std::string dest;
    testing::Log log;
    FakePack pack{log};
    testing::RecordingHost host{log, pack, workDir.path() + "\\QZTemp"};
    LoaderController controller{host};
};

class ExportTest : public ::testing::Test, public Bench {};

TEST_F(ExportTest, SelectionFillsTheExportListTreeLabelAndButton) {
    Open();
    host.messages[203] = "%.2f MB";
    Select({"Docs"});
    const auto& exportList = controller.Sessions().Session(1).exportList->Rows();
    std::vector<std::string> captions;
    for (const auto& r : exportList) captions.push_back(r.caption);
    // "Docs" takes what lies in it and never "Docsx.txt".
    EXPECT_EQ(host.trees[1], captions);
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions, (std::vector<std::string>{"Docs\\", "Docs\\Sub\\", "Docs\\a.txt"}));
    EXPECT_EQ(host.sizeLabels[1], "M202");
    EXPECT_TRUE(host.buttons[kExportButton]);
    EXPECT_EQ(log.front(), "hourglass");

    Select({});
    EXPECT_TRUE(controller.Sessions().Session(1).exportList->Rows().empty());
    EXPECT_EQ(host.sizeLabels[1], "M201");
    EXPECT_FALSE(host.buttons[kExportButton]);
}

TEST_F(ExportTest, SizesOverTwoGibibytesAreSixtyFourBit) {
    Open("big.bin,3221225472,0\r\nbig.bin,3221225472,2,5\r\nsmall.bin,3145728,0\r\nsmall.bin,3145728,2,0\r\n");
    host.messages[203] = "%.2f MB";
    Select({"big.bin", "small.bin"});
    EXPECT_EQ(host.sizeLabels[1], "3075.00 MB");
    int64_t extra = 0;
    EXPECT_EQ(controller.SelectedTotals(extra), 3221225472LL + 3145728);
    EXPECT_EQ(extra, 5);
    EXPECT_EQ(controller.Sessions().Session(1).exportList->Rows()[0].subItems[4], "3221225472");
    Select({"small.bin"});
    EXPECT_EQ(host.sizeLabels[1], "3.00 MB");
}

TEST_F(ExportTest, HappyPathExportsEveryEntryAndGivesTheWindowBack) {
    Open();
    pack.contents["readme.txt"] = "readme!";
    const States states = Export({"Docs", "readme.txt"});
    EXPECT_EQ(states, (States{"X1", "X72", "X2", "X60", "X3", "X11", "X11", "X51", "X3", "X11", "X11", "X51", "X3",
                              "X100", "X101", "X102", "X103", "X104", "X105", "X106"}));
    EXPECT_EQ(host.messageBoxes, (std::vector<std::string>{"M912"}));
    EXPECT_EQ(host.passwordAsked, 1);
    EXPECT_EQ(CountOf(log, "unpack Q:\\Session01\\Data.pck Docs disc word"), 1);
    EXPECT_EQ(CountOf(log, "unpack Q:\\Session01\\Data.pck readme.txt disc word"), 1);
    EXPECT_EQ(pack.destinations.back(), dest + "\\");
    EXPECT_EQ(ReadAll(Target("readme.txt")), "readme!");
    EXPECT_TRUE(IsFolder(Target("Docs\\Sub")));
    EXPECT_TRUE(Has(log, "text M10"));
    EXPECT_TRUE(Has(log, "text M11"));
    EXPECT_TRUE(Has(log, "text DocsM900M903"));
    EXPECT_TRUE(Has(log, "text readme.txtM903"));
    EXPECT_TRUE(Has(log, "text M907"));
    EXPECT_EQ(host.skinnedMessages, (std::vector<std::string>{"M908"}));
    EXPECT_TRUE(std::is_sorted(host.gauge.begin(), host.gauge.end()));
    EXPECT_EQ(host.gauge.back(), 100);
    // 40 % of Docs' 7 bytes -> 3 of 16: 19 %; 7 of 16 after Docs: 44 %; at 40 %
    // of readme 7 + 3.6 -> 11 of 16: 69 %.
    EXPECT_EQ(host.gauge, (std::vector<int>{0, 19, 44, 69, 100, 100}));
    EXPECT_EQ(controller.CurrentSequence(), Sequence::None);
    EXPECT_EQ(controller.RunState(), 1);
    EXPECT_TRUE(host.enabled);
    EXPECT_FALSE(host.timer);
    EXPECT_FALSE(host.progressOpen);
    EXPECT_EQ(controller.DoneCount(), 2);
    EXPECT_EQ(controller.DestFolder(), dest);
}

TEST_F(ExportTest, TheGates) {
    Open();
    // Nothing selected: nothing at all.
    controller.StartExport();
    EXPECT_TRUE(host.messageBoxes.empty());

    struct Case {
        std::vector<int> answers;
        int wrongBack;
        bool picker;
        int terminations;
    } cases[] = {{{2}, 1, false, 0}, {{3}, 3, false, 1}, {{1}, 2, true, 0}};
    for (const Case& c : cases) {
        host.passwordAnswers.assign(c.answers.begin(), c.answers.end());
        host.passwordWrongAfter = c.wrongBack;
        host.destination.reset();
        const int asked = CountOf(log, "select folder");
        const int terminations = host.terminations;
        Select({"readme.txt"});
        controller.StartExport();
        EXPECT_EQ(CountOf(log, "select folder") - asked, c.picker ? 1 : 0) << c.answers[0];
        EXPECT_EQ(host.terminations - terminations, c.terminations) << c.answers[0];
        EXPECT_NE(controller.CurrentSequence(), Sequence::Export);
        if (c.answers[0] != 3) {
            EXPECT_EQ(controller.PasswordTries(), c.wrongBack);
        }
    }
    // The last run passed the password: the folder was cancelled, and it is
    // not asked again.
    EXPECT_TRUE(controller.PasswordGiven());
    EXPECT_TRUE(Has(log, "password disc word 1"));
    const int asked = host.passwordAsked;
    controller.StartExport();
    EXPECT_EQ(host.passwordAsked, asked);
    EXPECT_TRUE(host.enabled);
}

TEST_F(ExportTest, MultiDiscsAskOncePerSessionWithTheSessionsWord) {
    Open(kFilesLst, "multi");
    Select({"readme.txt"});
    host.destination.reset();
    controller.StartExport();
    controller.StartExport();
    EXPECT_EQ(host.passwordAsked, 1);
    EXPECT_TRUE(Has(log, "password session word 0"));
    EXPECT_TRUE(controller.Sessions().Session(1).passwordGiven);
    EXPECT_FALSE(controller.Password().passwordGiven);
}

TEST_F(ExportTest, LengthGates) {
    Open();
    Select({"readme.txt"});
    // A destination of 256 bytes is refused whatever the entries.
    host.destination = dest + "\\" + std::string(255 - dest.size(), 'd');
    ASSERT_EQ(host.destination->size(), 256u);
    controller.StartExport();
    EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"M911"}));
    EXPECT_TRUE(host.enabled);
    EXPECT_NE(controller.CurrentSequence(), Sequence::Export);

    // The library writes readme.txt.cmp first: a target of 255 bytes fits, one
    // more byte would fail the export after earlier entries were written.
    for (size_t targetLength : {255u, 256u, 259u}) {
        host.plainMessages.clear();
        host.destination = dest + "\\" + std::string(targetLength - dest.size() - 12, 'd');
        ASSERT_EQ(host.destination->size() + 1 + 10, targetLength);
        controller.StartExport();
        EXPECT_EQ(host.plainMessages.empty(), targetLength == 255u) << targetLength;
        if (controller.CurrentSequence() == Sequence::Export) testing::RunTicks(controller, host);
    }
    // Nested targets of 260 bytes are refused too.
    Select({"Docs"});
    host.plainMessages.clear();
    host.destination = dest + "\\" + std::string(260 - dest.size() - 12, 'd');  // "Docs\a.txt" is 10
    controller.StartExport();
    EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"M911"}));
}

TEST_F(ExportTest, ShortFreeSpaceCountsTheRuleColumnAndAborts) {
    Open("a.bin,100,0\r\na.bin,100,2,3\r\n");
    host.freeSpace = 102;  // 100 bytes and the rule column's 3
    const States states = Export({"a.bin"});
    EXPECT_EQ(states, (States{"X1", "X72", "X2", "X207"}));
    EXPECT_EQ(host.postedErrors, (std::vector<int>{kErrorFreeSpace}));
    EXPECT_EQ(pack.unpacks, 0);
    EXPECT_TRUE(host.enabled);
    EXPECT_FALSE(host.progressOpen);
    EXPECT_TRUE(host.skinnedMessages.empty());
}

TEST_F(ExportTest, AFreeSpaceQueryThatFailsSkipsTheCheck) {
    Open();
    host.freeSpace.reset();
    pack.limits.clear();
    Export({"readme.txt"});
    EXPECT_EQ(pack.limits, (std::vector<uint64_t>{0}));
    EXPECT_TRUE(host.postedErrors.empty());
    EXPECT_EQ(host.skinnedMessages, (std::vector<std::string>{"M908"}));
}

TEST(ExportOverwriteTest, Matrix) {
    struct Case {
        std::vector<std::string> rows;
        std::vector<int> answers;
        std::vector<std::pair<std::string, int>> questions;  // target (dest-relative) and mode
        std::vector<std::string> unpacked;
        std::string end;  // the skinned message at the end
    } cases[] = {
        // One file: two buttons; yes unpacks, no cancels the export.
        {{"readme.txt"}, {6}, {{"readme.txt", 1}}, {"readme.txt"}, "M908"},
        {{"readme.txt"}, {7}, {{"readme.txt", 1}}, {}, "M910"},
        // Two entries: four buttons first; no skips that entry only.
        {{"Docsx.txt", "readme.txt"}, {7, 6}, {{"Docsx.txt", 2}, {"readme.txt", 1}}, {"readme.txt"}, "M908"},
        // Yes to all suppresses every later question, folders too.
        {{"Docs", "Docsx.txt", "readme.txt"}, {10}, {{"DocsM900", 2}}, {"Docs", "Docsx.txt", "readme.txt"}, "M908"},
        // Skip on the last row cancels.
        {{"Docsx.txt", "readme.txt"}, {6, 7}, {{"Docsx.txt", 2}, {"readme.txt", 1}}, {"Docsx.txt"}, "M910"},
        // Cancel, and a dialog closed without an answer.
        {{"Docsx.txt", "readme.txt"}, {2}, {{"Docsx.txt", 2}}, {}, "M910"},
        {{"Docsx.txt", "readme.txt"}, {0}, {{"Docsx.txt", 2}}, {}, "M910"},
    };
    for (const Case& c : cases) {
        Bench t;  // a fresh disc, destination and host per case
        t.Open();
        ASSERT_TRUE(fs::CreateFolder(t.Target("Docs")));
        ASSERT_TRUE(WriteWholeFile(t.Target("Docsx.txt"), "mine"));
        ASSERT_TRUE(WriteWholeFile(t.Target("readme.txt"), "mine"));
        t.host.overwriteAnswers.assign(c.answers.begin(), c.answers.end());
        t.Export(c.rows);
        std::vector<std::pair<std::string, int>> questions;
        for (const auto& [name, mode] : t.host.overwriteQuestions)
            questions.emplace_back(name.substr(t.dest.size() + 1), mode);
        EXPECT_EQ(questions, c.questions) << c.rows.size() << " " << c.answers[0];
        std::vector<std::string> unpacked;
        for (const auto& l : t.log)
            if (l.rfind("unpack ", 0) == 0) {
                const size_t from = l.find(".pck ") + 5;
                unpacked.push_back(l.substr(from, l.size() - from - std::string(" disc word").size()));
            }
        EXPECT_EQ(unpacked, c.unpacked) << c.rows.size() << " " << c.answers[0];
        EXPECT_EQ(t.host.skinnedMessages, (std::vector<std::string>{c.end}));
        if (c.end == "M910") {
            EXPECT_TRUE(Has(t.log, "text M909"));
        }
        if (std::find(c.unpacked.begin(), c.unpacked.end(), "Docsx.txt") == c.unpacked.end()) {
            EXPECT_EQ(ReadAll(t.Target("Docsx.txt")), "mine");
        }
    }
}

TEST_F(ExportTest, AReadOnlyTargetIsAskedOnceBeforeAnyUnpack) {
    Open();
    ASSERT_TRUE(fs::CreateFolder(Target("Docs")));
    for (const char* name : {"Docs\\a.txt", "readme.txt"}) {
        ASSERT_TRUE(WriteWholeFile(Target(name), "mine"));
        ASSERT_TRUE(fs::SetAttributes(Target(name), fs::kAttrReadOnly));
    }
    host.overwriteAnswers = {7};
    const States states = Export({"Docs", "readme.txt"});
    EXPECT_EQ(host.overwriteQuestions, (std::vector<std::pair<std::string, int>>{{"", 3}}));
    // The tick after the answer takes the cancel and runs state 200 at once.
    EXPECT_EQ(states, (States{"X1", "X72", "X2", "X60", "X60", "X201", "X202", "X203", "X204", "X205", "X206"}));
    EXPECT_EQ(pack.unpacks, 0);

    host.overwriteAnswers = {6, 10};
    host.overwriteQuestions.clear();
    Export({"Docs", "readme.txt"});
    EXPECT_EQ(host.overwriteQuestions.front(), (std::pair<std::string, int>{"", 3}));
    EXPECT_EQ(pack.unpacks, 2);
    for (const char* name : {"Docs\\a.txt", "readme.txt"}) ASSERT_TRUE(fs::SetAttributes(Target(name), 0));
}

// A folder's entry may write any file inside it, so a read-only file of the
// user's there is asked about even when the list does not name it; a file
// row whose target is a folder is asked about as that folder, and the answer
// no leaves it alone.
TEST_F(ExportTest, FilesTheListDoesNotNameAreCoveredByTheQuestions) {
    Open();
    ASSERT_TRUE(fs::CreateFolder(Target("Docs")));
    ASSERT_TRUE(fs::CreateFolder(Target("Docs\\Deep")));
    ASSERT_TRUE(WriteWholeFile(Target("Docs\\Deep\\unlisted.txt"), "mine"));
    ASSERT_TRUE(fs::SetAttributes(Target("Docs\\Deep\\unlisted.txt"), fs::kAttrReadOnly));
    host.overwriteAnswers = {7};
    Export({"Docs"});
    EXPECT_EQ(host.overwriteQuestions, (std::vector<std::pair<std::string, int>>{{"", 3}}));
    EXPECT_EQ(pack.unpacks, 0);
    ASSERT_TRUE(fs::SetAttributes(Target("Docs\\Deep\\unlisted.txt"), 0));

    // Nothing read-only: only the folder's own question.
    host.overwriteAnswers = {6};
    host.overwriteQuestions.clear();
    Export({"Docs"});
    EXPECT_EQ(host.overwriteQuestions, (std::vector<std::pair<std::string, int>>{{Target("Docs") + "M900", 1}}));
    EXPECT_EQ(pack.unpacks, 1);

    ASSERT_TRUE(fs::CreateFolder(Target("readme.txt")));
    host.overwriteAnswers = {7};
    host.overwriteQuestions.clear();
    pack.unpacks = 0;
    Export({"readme.txt"});
    EXPECT_EQ(host.overwriteQuestions,
              (std::vector<std::pair<std::string, int>>{{Target("readme.txt") + "M900", 1}}));
    EXPECT_EQ(pack.unpacks, 0);
}

TEST_F(ExportTest, UnpackRules) {
    // Rule 1: counted as done without the library; its folders are made all
    // the same. Rule 2: a folder of sub-folders only gets its folders.
    Open("One\\,0,1\r\nOne\\In\\,0,1\r\nOne\\f.txt,3,0\r\nTwo\\,0,1\r\nTwo\\Deep\\,0,1\r\nTwo\\Deep\\er\\,0,1\r\n"
         "Three\\,0,1\r\nThree\\g.txt,4,0\r\nOne,3,2,1\r\nTwo,0,2,2\r\nThree,4,2,2\r\n");
    const States states = Export({"One", "Three", "Two"});
    EXPECT_EQ(pack.unpacks, 1);
    EXPECT_TRUE(Has(log, "unpack Q:\\Session01\\Data.pck Three disc word"));
    EXPECT_TRUE(IsFolder(Target("One\\In")));
    EXPECT_TRUE(IsFolder(Target("Two\\Deep\\er")));
    EXPECT_EQ(host.skinnedMessages, (std::vector<std::string>{"M908"}));
    EXPECT_EQ(std::count(states.begin(), states.end(), "X51"), 3);
}

// Files.lst may understate an entry: each unpack is bounded by the room left
// at the destination, so the library refuses an entry whose own sizes do not
// fit before it writes anything, and the user reads the free-space message.
TEST_F(ExportTest, EachUnpackIsBoundedByTheRoomLeftAndItsRefusalIsTheFreeSpaceMessage) {
    Open();
    pack.limits.clear();  // the index's and the control file's
    host.freeSpace = 5000;
    Export({"Docs", "readme.txt"});
    EXPECT_EQ(pack.limits, (std::vector<uint64_t>{5000, 5000}));
    host.freeSpace = 9;  // readme.txt's own 9 bytes, just
    pack.limits.clear();
    Export({"readme.txt"});
    EXPECT_EQ(pack.limits, (std::vector<uint64_t>{9}));

    host.freeSpace = 5000;
    for (const FakePack::Attempt& refused : {FakePack::Attempt{PACKERR_FILE_TOO_BIG, {}},
                                             FakePack::Attempt{0, {20, 50, PACKERR_FILE_TOO_BIG}}}) {
        pack.always["readme.txt"] = refused;
        host.plainMessages.clear();
        host.postedErrors.clear();
        host.skinnedMessages.clear();
        const States states = Export({"readme.txt"});
        EXPECT_EQ(states.back(), "X207");
        EXPECT_TRUE(host.plainMessages.empty());
        EXPECT_EQ(host.postedErrors, (std::vector<int>{kErrorFreeSpace}));
        EXPECT_TRUE(host.skinnedMessages.empty());
        EXPECT_TRUE(host.enabled);
        EXPECT_FALSE(host.progressOpen);
        EXPECT_EQ(controller.JobRunning(), 0);
    }
}

TEST_F(ExportTest, LibraryErrorsAbort) {
    Open();
    struct Case {
        FakePack::Attempt attempt;
        int code;
    } cases[] = {{{PACKERR_FILE_NOT_FOUND, {}}, PACKERR_FILE_NOT_FOUND},
                 {{0, {20, 60, PACKERR_FILE_IO}}, PACKERR_FILE_IO}};
    for (const Case& c : cases) {
        pack.always["readme.txt"] = c.attempt;
        host.plainMessages.clear();
        host.postedErrors.clear();
        const States states = Export({"readme.txt"});
        EXPECT_EQ(states.back(), "X207");
        EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"E" + std::to_string(c.code)}));
        EXPECT_EQ(host.postedErrors, (std::vector<int>{kErrorPackJob}));
        EXPECT_TRUE(host.enabled);
        EXPECT_FALSE(host.progressOpen);
        EXPECT_EQ(controller.JobRunning(), 0);
    }
    EXPECT_TRUE(host.skinnedMessages.empty());
}

TEST_F(ExportTest, CancelWithoutAJob) {
    Open();
    Select({"readme.txt"});
    controller.StartExport();
    controller.OnTimer();  // X1
    controller.HandleMessage(WM_LOADER_CANCEL, 0);
    const States states = testing::RunTicks(controller, host);
    // The cancel is taken at the next tick, whose state 200 runs at once.
    EXPECT_EQ(states, (States{"X72", "X201", "X202", "X203", "X204", "X205", "X206"}));
    EXPECT_EQ(pack.unpacks, 0);
    EXPECT_TRUE(Has(log, "text M909"));
    EXPECT_EQ(host.skinnedMessages, (std::vector<std::string>{"M910"}));
}

TEST_F(ExportTest, CancelMidJobStopsTheJobUntilTheLibraryConfirms) {
    Open();
    for (int at : {30, 70}) {
        pack.always["readme.txt"] = {0, {at}};
        pack.stops = 0;
        log.clear();
        host.skinnedMessages.clear();
        Select({"readme.txt"});
        controller.StartExport();
        while (controller.RunState() != exWaitUnpack) controller.OnTimer();
        controller.OnTimer();
        controller.HandleMessage(WM_LOADER_CANCEL, 0);
        for (int i = 0; i < 3; ++i) controller.OnTimer();
        EXPECT_EQ(pack.stops, 3) << at;
        EXPECT_EQ(controller.RunState(), exWaitUnpack);
        EXPECT_TRUE(Has(log, at == 30 ? "text M904" : "text M906")) << at;
        EXPECT_FALSE(Has(log, at == 30 ? "text M906" : "text M904")) << at;
        if (at == 70) {
            EXPECT_TRUE(Has(log, "text readme.txtM905"));
        }
        EXPECT_FALSE(host.cancelVisible);
        controller.HandleMessage(WM_PACK_STOPPED, 0);
        EXPECT_EQ(controller.JobRunning(), 0);
        const States states = testing::RunTicks(controller, host);
        EXPECT_EQ(states, (States{"X201", "X202", "X203", "X204", "X205", "X206"})) << at;
        EXPECT_EQ(host.skinnedMessages, (std::vector<std::string>{"M910"}));
        EXPECT_FALSE(Has(log, "text M909"));
        EXPECT_TRUE(host.enabled);
    }
}

TEST_F(ExportTest, ADestinationThatCannotBeWrittenTo) {
    Open();
    host.writable = false;
    Export({"Docs"});
    Export({"readme.txt"});
    EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"M901", "M902"}));
    EXPECT_EQ(host.skinnedMessages, (std::vector<std::string>{"M910", "M910"}));
    EXPECT_EQ(pack.unpacks, 0);
}

TEST_F(ExportTest, ARowLeavingTheDestinationWritesNothing) {
    Open();
    // Rows that the session model would leave out, put in behind its back.
    auto& record = controller.Sessions().Session(1);
    record.fileList.push_back(ListRow{"..\\evil.txt", {"0", "1", "0"}, -1});
    record.fileList.push_back(ListRow{"Docs", {"1", "1", "0"}, -1});
    record.fullList->AddItem("Docs\\..\\..\\evil\\", 99, 0, 0);
    record.fullList->RebuildSorted();
    for (size_t row : {record.fileList.size() - 2, record.fileList.size() - 1}) {
        host.plainMessages.clear();
        controller.SelectionChanged(1, {row});
        controller.StartExport();
        const States states = testing::RunTicks(controller, host);
        EXPECT_EQ(states.back(), "X207");
        EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"E" + std::to_string(PACKERR_INVALID_PARAMETER)}));
    }
    EXPECT_EQ(pack.unpacks, 0);
    EXPECT_FALSE(fs::Exists(destDir.path() + "\\evil.txt"));
    EXPECT_FALSE(fs::Exists(destDir.path() + "\\evil"));
    EXPECT_FALSE(fs::Exists(Target("Docs")));
}

// ---- The end of the loader.

TEST_F(ExportTest, DestroyStartsTheEraserWithTheStartsWorkFolderAndFreesInOrder) {
    Open();
    host.programsStart = false;
    controller.FormDestroy();
    EXPECT_EQ(host.startedPrograms,
              (std::vector<std::string>{"\"C:\\Temp\\QZTemp\\Lumar\\Delvane.Exe\" /E:C:\\Temp\\QZTemp\\Lumar /E:" +
                                        workDir.path() + "\\QZTemp /W:4 /X:2"}));
    EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"M999"}));
    EXPECT_EQ(log.back(), "free message file");
    EXPECT_EQ(host.messageFileFreed, 1);
    EXPECT_EQ(host.iconListFreed, 1);
    EXPECT_EQ(controller.Pack(), nullptr);
    controller.SelectionChanged(1, {0});  // ignored from now on
    controller.FormDestroy();
    EXPECT_EQ(host.messageFileFreed, 1);
}

TEST_F(ExportTest, DestroyWhileAJobRunsWaitsForItsEnd) {
    Open();
    pack.always["readme.txt"] = {0, {30}};
    Select({"readme.txt"});
    controller.StartExport();
    while (controller.RunState() != exWaitUnpack) controller.OnTimer();
    // The library confirms on the third look at the messages.
    host.onPump = [&] {
        if (host.pumps >= 3) controller.HandleMessage(WM_PACK_STOPPED, 0);
    };
    host.pumps = 0;
    const uint32_t before = host.clock;
    controller.FormDestroy();
    EXPECT_GE(pack.stops, 1);
    EXPECT_LT(host.clock - before, 5000u);
    EXPECT_EQ(controller.Pack(), nullptr);
    EXPECT_TRUE(host.packDestroyed);
    EXPECT_LT(std::find(log.begin(), log.end(), "stop 777") - log.begin(),
              std::find(log.begin(), log.end(), "free icon list") - log.begin());
}

TEST_F(ExportTest, AJobThatNeverEndsKeepsTheLibraryLoadedAfterAboutFiveSeconds) {
    Open();
    pack.always["readme.txt"] = {0, {30}};
    Select({"readme.txt"});
    controller.StartExport();
    while (controller.RunState() != exWaitUnpack) controller.OnTimer();
    const uint32_t before = host.clock;
    controller.FormDestroy();
    EXPECT_GE(host.clock - before, kJobEndWaitMs);
    EXPECT_LT(host.clock - before, kJobEndWaitMs + 100);
    EXPECT_GT(pack.stops, 100);  // asked again on every look
    EXPECT_FALSE(host.packDestroyed);
    EXPECT_EQ(controller.Pack(), nullptr);
    // The rest of the end goes on.
    EXPECT_EQ(host.iconListFreed, 1);
    EXPECT_EQ(host.startedPrograms.size(), 1u);
}

TEST_F(ExportTest, TheWriterFromButton121) {
    Open();
    host.programsStart = false;
    controller.OnSkinButtonClick(kWriterButton);
    EXPECT_EQ(host.startedPrograms.back(), "\"C:\\Temp\\QZTemp\\Lumar\\Scrivane.Exe\" /D:Q /H:777 /X:12 /Y:34");
    // A writer that cannot start gives the window back; the clean-up stays on.
    EXPECT_TRUE(host.enabled);
    EXPECT_TRUE(controller.CleanupOnExit());
    EXPECT_FALSE(host.timer);

    host.programsStart = true;
    controller.OnSkinButtonClick(kWriterButton);
    EXPECT_FALSE(host.enabled);
    EXPECT_FALSE(controller.CleanupOnExit());
    host.clock += kWriterSilenceMs - 10;
    controller.OnTimer();
    EXPECT_FALSE(host.enabled);
    EXPECT_TRUE(host.timer);
    host.clock += 10;
    controller.OnTimer();
    // Silent for 30 s: the window comes back, the writer may still run from here.
    EXPECT_TRUE(host.enabled);
    EXPECT_FALSE(host.timer);
    EXPECT_FALSE(controller.CleanupOnExit());
    // The message file still answers, and the end starts no eraser.
    EXPECT_EQ(host.Message(999), "M999");
    controller.HandleMessage(WM_HANDOFF_CLOSE, 0);
    EXPECT_EQ(host.terminations, 1);
    const size_t started = host.startedPrograms.size();
    controller.FormDestroy();
    EXPECT_EQ(host.startedPrograms.size(), started);
    EXPECT_EQ(host.messageFileFreed, 1);
}

TEST(WriterModeTest, StartsTheWriterNotifiesAndEnds) {
    testing::Log log;
    FakePack pack{log};
    TempDir work;
    testing::RecordingHost host{log, pack, work.path()};
    LoaderController controller{host};
    ASSERT_EQ(controller.FormCreate({"/S:SCRIVANE", "/D:E", "/H:99", "/X:5"}, "C:\\L\\x.exe"), RunMode::Scrivane);
    controller.RunWriterMode();
    EXPECT_EQ(host.startedPrograms, (std::vector<std::string>{"\"C:\\Temp\\QZTemp\\Lumar\\Scrivane.Exe\" /D:E /H:99"}));
    EXPECT_EQ(host.handoffs, (std::vector<intptr_t>{99}));
    EXPECT_EQ(host.terminations, 1);
    EXPECT_LT(std::find(log.begin(), log.end(), "start \"C:\\Temp\\QZTemp\\Lumar\\Scrivane.Exe\" /D:E /H:99") - log.begin(),
              std::find(log.begin(), log.end(), "handoff 99") - log.begin());
    controller.FormDestroy();
    EXPECT_EQ(host.startedPrograms.size(), 1u);  // no eraser
    EXPECT_EQ(host.messageFileFreed, 1);
}

}  // namespace
}  // namespace kb::loader
