// The start-up and open-session sequences, tick by tick, over a recording
// host and a scripted pack library, on a disc folder reached as drive Q:.
#include <gtest/gtest.h>

#include <new>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "loader/controller/loader_controller.h"
#include "loader/controller/tests/controller_test_support.h"
#include "loader/controller/window_rules.h"
#include "loader/session/disc_layout.h"
#include "shared/base/fs.h"
#include "shared/messages.h"
#include "shared/pack_errors.h"

namespace kb::loader {
namespace {

using testing::FileExists;
using testing::TempDir;
using testing::WriteWholeFile;
using testing::DriveQ;
using testing::FakePack;
using States = std::vector<std::string>;

// "O1" ... "O11" with each given state repeated as the pack script polls it.
States OpenTrace() {
    return {"O1", "O2", "O2", "O3", "O4", "O5", "O6", "O7", "O8", "O9", "O10", "O11"};
}
States Join(States a, const States& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

size_t IndexOf(const testing::Log& log, const std::string& line) {
    return static_cast<size_t>(std::find(log.begin(), log.end(), line) - log.begin());
}
int CountOf(const testing::Log& log, const std::string& prefix) {
    return static_cast<int>(
        std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

class SequenceTest : public ::testing::Test {
protected:
    void SetUp() override { work = workDir.path() + "\\QZTemp"; }

    // Session folder n with a control pack and its file list.
    void AddSession(int n, const std::string& filesLst = "readme.txt,9,0\r\n", const std::string& control = "") {
        char name[16];
        std::snprintf(name, sizeof name, "Session%.2d", n);
        ASSERT_TRUE(fs::CreateFolder(DriveQ::On(name)));
        ASSERT_TRUE(WriteWholeFile(DriveQ::On(std::string(name) + "\\Control.pck"), "pack"));
        ASSERT_TRUE(WriteWholeFile(DriveQ::On(std::string(name) + "\\Files.lst"), filesLst));
        pack.contents[DriveQ::On(std::string(name) + "\\Control.pck|Control.ini")] =
            control.empty() ? "[General]\r\nArchive=Data" + std::to_string(n) + ".pck\r\nVolumeLabel=VOL " +
                                  std::to_string(n) + "\r\n"
                            : control;
    }
    void AddIndex(const std::string& password = "disc word") {
        ASSERT_TRUE(WriteWholeFile(DriveQ::On("Sessions.Pck"), "pack"));
        pack.contents["Sessions.ini"] = "[General]\r\nPassword=  " + password + "  \r\n";
    }
    void SetPasswordType(const std::string& type) {
        ASSERT_TRUE(fs::CreateFolder(DriveQ::On("PasswordType")));
        ASSERT_TRUE(WriteWholeFile(DriveQ::On("PasswordType\\PasswordType.Ini"), "[Password]\r\nType=" + type + "\r\n"));
    }
    void Create(const std::vector<std::string>& args = {"/D:Q", "/H:1234"}) {
        ASSERT_EQ(controller.FormCreate(args, "C:\\Loader\\lumarforutil.exe"), RunMode::Lumar);
    }
    // Every folder the unpacks went to lies under the work folder, and none is left.
    void ExpectPrivateFoldersGone() {
        for (const std::string& dest : pack.destinations) {
            EXPECT_EQ(dest.rfind(work + "\\~ini", 0), 0u) << dest;
            EXPECT_FALSE(FileExists(dest.substr(0, dest.size() - 1))) << dest;
        }
    }

    DriveQ drive;
    TempDir workDir;
    std::string work;
    testing::Log log;
    FakePack pack{log};
    testing::RecordingHost host{log, pack, workDir.path() + "\\QZTemp"};
    LoaderController controller{host};
};

// The writer's button clicked before the start-up's first tick (the window
// is still enabled then) starts nothing and leaves the start-up running;
// once the window is idle it hands over.
TEST_F(SequenceTest, TheWriterButtonCannotDropTheStartUp) {
    AddIndex();
    AddSession(1);
    Create();
    controller.OnSkinButtonClick(kWriterButton);
    EXPECT_TRUE(host.startedPrograms.empty());
    EXPECT_TRUE(host.timer);
    EXPECT_EQ(RunTicks(controller, host),
              Join({"S1", "S2", "S3", "S3", "S4", "S5", "S6", "S7", "S8", "S9"}, OpenTrace()));
    EXPECT_TRUE(controller.CleanupOnExit());
    EXPECT_TRUE(host.enabled);
    EXPECT_EQ(host.built.count(1), 1u);

    controller.OnSkinButtonClick(kWriterButton);
    ASSERT_EQ(host.startedPrograms.size(), 1u);
    EXPECT_NE(host.startedPrograms[0].find("Scrivane.Exe"), std::string::npos);
    EXPECT_FALSE(controller.CleanupOnExit());
    // A second click while the writer is awaited starts no second one.
    controller.OnSkinButtonClick(kWriterButton);
    EXPECT_EQ(host.startedPrograms.size(), 1u);
}

TEST_F(SequenceTest, SingleDiscReadsTheIndexNotifiesOnceAndOpensTheHighestSession) {
    AddIndex();
    AddSession(1);
    AddSession(2);
    AddSession(5, "Docs\\,0,1\r\nDocs\\a.txt,7,0\r\nreadme.txt,9,0\r\nDocs,7,2,0\r\n");
    Create();
    EXPECT_EQ(RunTicks(controller, host),
              Join({"S1", "S2", "S3", "S3", "S4", "S5", "S6", "S7", "S8", "S9"}, OpenTrace()));

    EXPECT_EQ(controller.Password().password, "disc word");
    // The index and the control file are each bounded by the control files' limit.
    EXPECT_EQ(pack.limits, (std::vector<uint64_t>{kControlFileLimit, kControlFileLimit}));
    EXPECT_EQ(controller.CurrentSession(), 3);
    const SessionRecord& s = controller.Sessions().Session(3);
    EXPECT_EQ(s.folder, "Q:\\Session05");
    EXPECT_EQ(s.archive, "Data5.pck");
    EXPECT_EQ(s.volumeText, "VOL 5");
    EXPECT_EQ(s.sizeText, "M208");
    ASSERT_EQ(s.fileList.size(), 2u);
    EXPECT_EQ(s.fileList[0].caption, "Docs");
    EXPECT_EQ(controller.Sessions().CurrentFile(), "Q:\\Session05\\Files.lst");

    // The index, then the highest session's control file, each under the fixed password.
    EXPECT_EQ(pack.unpacks, 2);
    const size_t index = IndexOf(log, "unpack Q:\\Sessions.Pck Sessions.ini HarrowbeckTilden_Quill_6482");
    const size_t control = IndexOf(log, "unpack Q:\\Session05\\Control.pck Control.ini HarrowbeckTilden_Quill_6482");
    const size_t notify = IndexOf(log, "handoff 1234");
    ASSERT_LT(control, log.size());
    EXPECT_LT(index, notify);
    EXPECT_LT(notify, control);
    EXPECT_EQ(host.handoffs, (std::vector<intptr_t>{1234}));

    // Three tabs, the third current; the views of the third on view.
    for (int id : {101, 102, 103}) EXPECT_TRUE(host.buttons[id]) << id;
    EXPECT_FALSE(host.buttons[104]);
    EXPECT_EQ(host.images[101], 1);
    EXPECT_EQ(host.images[102], 1);
    EXPECT_EQ(host.images[103], 0);
    EXPECT_EQ(host.built.count(3), 1u);
    EXPECT_TRUE(host.viewsVisible[3]);

    // The window is given back.
    EXPECT_FALSE(host.timer);
    EXPECT_TRUE(host.enabled);
    EXPECT_EQ(host.cursor, Cursor::Default);
    EXPECT_TRUE(host.pages[Page::View]);
    EXPECT_FALSE(host.pages[Page::Work]);
    EXPECT_FALSE(host.pages[Page::Init]);
    EXPECT_TRUE(host.buttons[kQuitButton]);
    EXPECT_FALSE(host.buttons[kWriterButton]);
    EXPECT_FALSE(host.buttons[kExportButton]);
    EXPECT_FALSE(controller.FirstOpen());
    EXPECT_TRUE(host.postedErrors.empty());
    ExpectPrivateFoldersGone();
    EXPECT_TRUE(FileExists("Q:\\Session05\\Files.lst"));
}

TEST_F(SequenceTest, MultiDiscNeverReadsTheIndexEvenWhenItExists) {
    AddIndex();
    SetPasswordType("multi");
    AddSession(1, "readme.txt,9,0\r\n", "[General]\r\nPassword=session word\r\n");
    Create();
    EXPECT_EQ(RunTicks(controller, host), Join({"S1", "S9"}, OpenTrace()));
    EXPECT_EQ(CountOf(log, "unpack Q:\\Sessions.Pck"), 0);
    EXPECT_EQ(controller.Password().password, "");
    EXPECT_EQ(controller.Sessions().Session(1).password, "session word");
    EXPECT_EQ(controller.Sessions().Session(1).archive, "Archive");
    EXPECT_EQ(controller.Sessions().Session(1).volumeLabel, "NONE");
    EXPECT_TRUE(controller.IndexAvailable());
}

TEST_F(SequenceTest, SingleDiscWithoutTheIndexKeepsAnEmptyPassword) {
    AddSession(1);
    Create();
    EXPECT_EQ(RunTicks(controller, host), Join({"S1", "S9"}, OpenTrace()));
    EXPECT_EQ(CountOf(log, "unpack Q:\\Sessions.Pck"), 0);
    EXPECT_EQ(controller.Password().password, "");
    EXPECT_EQ(host.handoffs.size(), 1u);
}

TEST_F(SequenceTest, ADiscWithoutSessionsShowsTheEmptyPageAndGivesTheWindowBack) {
    AddIndex();
    Create();
    EXPECT_EQ(host.sleeps, 20);  // twenty more scans, 5 ms apart
    EXPECT_EQ(RunTicks(controller, host), (States{"S1", "S2", "S3", "S3", "S4", "S5", "S6", "S7", "S8", "S9"}));
    EXPECT_EQ(controller.CurrentSession(), 0);
    EXPECT_EQ(host.handoffs, (std::vector<intptr_t>{1234}));
    EXPECT_TRUE(host.pages[Page::Init]);
    EXPECT_FALSE(host.pages[Page::View]);
    EXPECT_FALSE(host.pages[Page::Work]);
    EXPECT_TRUE(host.buttons[kQuitButton]);
    EXPECT_FALSE(host.buttons[kWriterButton]);
    EXPECT_TRUE(host.enabled);
    EXPECT_FALSE(host.timer);
    EXPECT_EQ(host.cursor, Cursor::Default);
    EXPECT_FALSE(controller.FirstOpen());
    EXPECT_EQ(controller.CurrentSequence(), Sequence::Startup);
    for (int id = kFirstTabButton; id <= kLastTabButton; ++id) EXPECT_FALSE(host.buttons[id]);
}

TEST_F(SequenceTest, WithoutACallerNothingIsPosted) {
    AddSession(1);
    Create({"/D:Q"});
    RunTicks(controller, host);
    EXPECT_TRUE(host.handoffs.empty());
    controller.NotifyCaller();
    EXPECT_TRUE(host.handoffs.empty());
}

TEST_F(SequenceTest, TheCallerIsNotifiedExactlyOnce) {
    AddSession(1);
    Create();
    RunTicks(controller, host);
    controller.NotifyCaller();
    EXPECT_EQ(host.handoffs.size(), 1u);
}

// Unpack failures of the index (kind 2) and of a control file (kind 4).
struct FailureCase {
    const char* name;
    std::string entry;
    FakePack::Attempt attempt;
    int unpacks;       // UnPack calls in all
    int errorKind;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class UnpackFailureTest : public SequenceTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UnpackFailureTest, RetriesOnlyWhatMayPass) {
    const FailureCase& c = GetParam();
    AddIndex();
    AddSession(1);
    pack.always[c.entry] = c.attempt;
    Create();
    RunTicks(controller, host);
    EXPECT_EQ(pack.unpacks, c.unpacks);
    EXPECT_EQ(host.postedErrors, (std::vector<int>{c.errorKind}));
    EXPECT_FALSE(host.timer);
    EXPECT_FALSE(host.enabled);
    // The index's failure ends the loader before its caller hears of it; a
    // control file's after.
    EXPECT_EQ(host.handoffs.size(), c.errorKind == kErrorControlUnpack ? 1u : 0u);
    ExpectPrivateFoldersGone();
    EXPECT_FALSE(controller.UnpackFolderPath().empty());

    // The posted kind shows its message and ends the program.
    EXPECT_TRUE(controller.HandleMessage(WM_LOADER_ERROR, static_cast<uintptr_t>(c.errorKind)));
    EXPECT_EQ(host.plainMessages.back(), c.errorKind == kErrorIndexUnpack ? "M2" : "M5");
    EXPECT_EQ(host.terminations, 1);
}

const int kDone = PACKPROGRESS_DONE;
INSTANTIATE_TEST_SUITE_P(
    Cases, UnpackFailureTest,
    ::testing::Values(
        FailureCase{"IndexCannotBeOpened", "Sessions.ini", {PACKERR_OPEN_PACKED_FILE, {}}, 11, kErrorIndexUnpack},
        FailureCase{"IndexFileError", "Sessions.ini", {PACKERR_FILE_IO, {}}, 11, kErrorIndexUnpack},
        FailureCase{"IndexWrongPassword", "Sessions.ini", {PACKERR_WRONG_PASSWORD, {}}, 1, kErrorIndexUnpack},
        FailureCase{"IndexDamaged", "Sessions.ini", {PACKERR_ILLEGAL_PACKED_FILE, {}}, 1, kErrorIndexUnpack},
        FailureCase{"IndexEntryMissing", "Sessions.ini", {PACKERR_FILE_NOT_FOUND, {}}, 1, kErrorIndexUnpack},
        FailureCase{"IndexNoLibrary", "Sessions.ini", {-1, {}}, 1, kErrorIndexUnpack},
        FailureCase{"IndexJobFileError", "Sessions.ini", {0, {30, PACKERR_FILE_IO}}, 11, kErrorIndexUnpack},
        FailureCase{"IndexJobDamaged", "Sessions.ini", {0, {30, PACKERR_UNCOMPRESSION}}, 1, kErrorIndexUnpack},
        FailureCase{"ControlCannotBeOpened", "Control.ini", {PACKERR_OPEN_PACKED_FILE, {}}, 12, kErrorControlUnpack},
        FailureCase{"ControlWrongPassword", "Control.ini", {PACKERR_WRONG_PASSWORD, {}}, 2, kErrorControlUnpack},
        FailureCase{"ControlJobFileError", "Control.ini", {0, {PACKERR_FILE_IO}}, 12, kErrorControlUnpack},
        FailureCase{"ControlJobWrongPassword", "Control.ini", {0, {10, PACKERR_WRONG_PASSWORD}}, 2,
                    kErrorControlUnpack},
        // Over the control files' limit: refused as it starts, or once the
        // copy's records are read; never tried again.
        FailureCase{"IndexTooBig", "Sessions.ini", {PACKERR_FILE_TOO_BIG, {}}, 1, kErrorIndexUnpack},
        FailureCase{"IndexJobTooBig", "Sessions.ini", {0, {50, PACKERR_FILE_TOO_BIG}}, 1, kErrorIndexUnpack},
        FailureCase{"ControlJobTooBig", "Control.ini", {0, {50, PACKERR_FILE_TOO_BIG}}, 2, kErrorControlUnpack}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(SequenceTest, AFailureThatPassesIsRetriedAndTheStartGoesOn) {
    AddIndex();
    AddSession(1);
    pack.scripts["Sessions.ini"] = {{PACKERR_OPEN_PACKED_FILE, {}}, {0, {20, PACKERR_FILE_IO}}, {0, {kDone}}};
    Create();
    EXPECT_EQ(RunTicks(controller, host),
              Join({"S1", "S2", "S2", "S3", "S3", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9"}, OpenTrace()));
    EXPECT_EQ(controller.Password().password, "disc word");
    EXPECT_TRUE(host.postedErrors.empty());
    ExpectPrivateFoldersGone();
}

TEST_F(SequenceTest, TheFixedPasswordFollowsTheEdition) {
    struct Case {
        std::vector<std::string> args;
        const char* password;
    };
    const Case cases[] = {
        {{"/D:Q"}, "HarrowbeckTilden_Quill_6482"},
        {{"/D:Q", "/A:SOLMIR"}, "HarrowbeckTilden_Quill_6482"},
        {{"/D:Q", "/A:ZEPQUA"}, "MervoLKTQ_DeskPlume_5208"},
        {{"/D:Q", "/A:CRYVANE"}, "HarrowbeckTilden_Quill_6482"},
        {{"/D:Q", "/A:zepqua"}, "HarrowbeckTilden_Quill_6482"},
    };
    AddIndex();
    AddSession(1);
    for (const Case& c : cases) {
        testing::Log caseLog;
        FakePack casePack{caseLog};
        casePack.contents = pack.contents;
        testing::RecordingHost caseHost{caseLog, casePack, work};
        LoaderController caseController{caseHost};
        ASSERT_EQ(caseController.FormCreate(c.args, "C:\\x.exe"), RunMode::Lumar);
        RunTicks(caseController, caseHost);
        EXPECT_EQ(CountOf(caseLog, std::string("unpack Q:\\Sessions.Pck Sessions.ini ") + c.password), 1)
            << c.args.back();
        EXPECT_EQ(CountOf(caseLog, std::string("unpack Q:\\Session01\\Control.pck Control.ini ") + c.password), 1)
            << c.args.back();
    }
    EXPECT_EQ(std::string(FixedUnpackPassword(0)).size(), 27u);
    EXPECT_EQ(std::string(FixedUnpackPassword(1)).size(), 24u);
}

TEST_F(SequenceTest, EditionOneBuildsItsOwnRowsAndSizeLabel) {
    AddSession(1, "Docs\\a.txt,7,0\r\nreadme.txt,9,0\r\n");
    Create({"/D:Q", "/A:ZEPQUA"});
    RunTicks(controller, host);
    const SessionRecord& s = controller.Sessions().Session(1);
    ASSERT_EQ(s.fileList.size(), 2u);
    EXPECT_EQ(s.fileList[0].caption, "Docs");
    EXPECT_EQ(s.sizeText, kEdition1SizeText);
}

TEST_F(SequenceTest, AFileListThatCannotBeConvertedKeepsItsRowsAndGivesTheWindowBack) {
    AddSession(1, "a.txt,1,0\r\nb.txt,1,0\r\nc.txt,many,0\r\nd.txt,1,0\r\n");
    Create();
    EXPECT_EQ(RunTicks(controller, host), Join({"S1", "S9"}, OpenTrace()));
    EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"M5"}));
    EXPECT_LT(IndexOf(log, "views built 1"), IndexOf(log, "plain M5"));
    EXPECT_EQ(controller.Sessions().Session(1).fileList.size(), 2u);
    EXPECT_TRUE(host.enabled);
    EXPECT_FALSE(host.timer);
    EXPECT_TRUE(host.postedErrors.empty());
}

// A failed allocation while a session opens (a huge file list, say): the
// sequence ends as for a file list that cannot be read, and the window is
// usable again.
TEST_F(SequenceTest, AFailedAllocationWhileASessionOpensShowsMessage5AndGivesTheWindowBack) {
    AddSession(1, "a.txt,1,0\r\nb.txt,1,0\r\n");
    Create();
    int failures = 1;
    host.onCall = [&](const std::string& call) {
        if (call == "views" && failures-- > 0) throw std::bad_alloc();
    };
    RunTicks(controller, host);
    EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"M5"}));
    EXPECT_TRUE(controller.Sessions().Session(1).fileList.empty());
    EXPECT_EQ(host.built[1], 1) << "the views are there, empty";
    EXPECT_TRUE(host.enabled);
    EXPECT_FALSE(host.timer);
    EXPECT_EQ(host.cursor, Cursor::Default);
    EXPECT_TRUE(host.postedErrors.empty());
    EXPECT_TRUE(host.buttons[kQuitButton]) << "the user can quit";
}

// At start-up the same ends the start the way a disc index that cannot be
// unpacked does.
TEST_F(SequenceTest, AFailedAllocationAtStartUpEndsItWithTheIndexFailure) {
    AddIndex();
    AddSession(1);
    Create();
    host.onCall = [&](const std::string& call) {
        if (call == "profile") throw std::bad_alloc();
    };
    RunTicks(controller, host);
    EXPECT_EQ(host.postedErrors, (std::vector<int>{kErrorIndexUnpack}));
    EXPECT_FALSE(host.timer);
}

TEST_F(SequenceTest, AFileListThatCannotBeReadShowsTheSameMessage) {
    AddSession(1);
    Create();
    // Gone between the scan and the opening.
    ASSERT_TRUE(fs::RemoveFile("Q:\\Session01\\Files.lst"));
    EXPECT_EQ(RunTicks(controller, host), Join({"S1", "S9"}, OpenTrace()));
    EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"M5"}));
    EXPECT_TRUE(controller.Sessions().Session(1).fileList.empty());
    EXPECT_TRUE(host.enabled);
}

TEST_F(SequenceTest, UnsafeRowsAreReportedOncePerSession) {
    AddSession(1, "..\\evil.txt,1,0\r\nC:\\evil.txt,1,0\r\ngood.txt,1,0\r\n");
    AddSession(2, "fine.txt,1,0\r\n");
    AddSession(3, "\\rooted,1,0\r\nok.txt,1,0\r\n");
    Create();
    RunTicks(controller, host);
    controller.SelectSession(2);
    RunTicks(controller, host);
    controller.SelectSession(1);
    RunTicks(controller, host);
    controller.SelectSession(3);
    EXPECT_EQ(host.plainMessages, (std::vector<std::string>{UnsafeRowsText(1), UnsafeRowsText(2)}));
    EXPECT_EQ(controller.Sessions().Session(1).fileList.size(), 1u);
    EXPECT_EQ(controller.Sessions().Session(1).fullList->Rows().size(), 1u);
}

TEST_F(SequenceTest, SelectingSessions) {
    AddSession(1);
    AddSession(2);
    AddSession(3);
    Create();
    RunTicks(controller, host);
    ASSERT_EQ(controller.CurrentSession(), 3);

    // The session on view, and a tab without a session: nothing happens.
    for (int n : {3, 4, 0, 21}) {
        log.clear();
        controller.SelectSession(n);
        EXPECT_TRUE(log.empty()) << n;
    }

    // A session never opened: the tabs swap, every view hides, the opening starts.
    log.clear();
    controller.SelectSession(1);
    EXPECT_EQ(log, (testing::Log{"button 103 image 1", "button 101 image 0", "views 3 hidden", "hourglass",
                                 "timer on"}));
    EXPECT_EQ(controller.CurrentSequence(), Sequence::OpenSession);
    EXPECT_EQ(controller.RunState(), osUnpackControl);
    EXPECT_EQ(controller.Retries(), kUnpackRetries);
    EXPECT_EQ(RunTicks(controller, host), OpenTrace());
    EXPECT_TRUE(host.viewsVisible[1]);
    EXPECT_FALSE(host.viewsVisible[3]);
    // Opened while the window was disabled: no focus then.
    EXPECT_EQ(CountOf(log, "focus"), 0);

    // An opened session: shown again without unpacking, its list focused.
    const int unpacks = pack.unpacks;
    log.clear();
    controller.Sessions().Session(3).selected = {0};
    controller.SelectSession(3);
    EXPECT_EQ(log, (testing::Log{"button 101 image 1", "button 103 image 0", "views 1 hidden", "views 3 hidden",
                                 "views 3 shown", "focus 3", "button 11 shown"}));
    EXPECT_EQ(pack.unpacks, unpacks);
    EXPECT_FALSE(host.timer);
}

TEST_F(SequenceTest, TabsAndTheFocusMessage) {
    AddSession(2);
    AddSession(7);
    Create();
    EXPECT_TRUE(controller.HandleMessage(WM_LOADER_FOCUSLIST, 0));
    EXPECT_EQ(CountOf(log, "focus"), 0);  // nothing on view yet
    RunTicks(controller, host);
    log.clear();
    controller.OnSkinButtonMouseUp(101);
    controller.OnSkinButtonMouseUp(102);
    controller.OnSkinButtonMouseUp(121);
    EXPECT_EQ(log, (testing::Log{"button 101 image 1"}));
    log.clear();
    EXPECT_TRUE(controller.HandleMessage(WM_LOADER_FOCUSLIST, 0));
    EXPECT_EQ(log, (testing::Log{"focus 2"}));
    log.clear();
    controller.OnSkinButtonClick(101);
    EXPECT_EQ(controller.CurrentSession(), 1);
    EXPECT_EQ(controller.CurrentSequence(), Sequence::OpenSession);
}

TEST_F(SequenceTest, APackStoppedMessageOutsideAnExportChangesNothing) {
    AddSession(1);
    Create();
    auto check = [&](const char* when) {
        const int state = controller.RunState();
        const bool timer = host.timer;
        const Sequence sequence = controller.CurrentSequence();
        EXPECT_TRUE(controller.HandleMessage(WM_PACK_STOPPED, 0)) << when;
        EXPECT_EQ(controller.RunState(), state) << when;
        EXPECT_EQ(host.timer, timer) << when;
        EXPECT_EQ(controller.CurrentSequence(), sequence) << when;
    };
    check("before the first tick");
    controller.OnTimer();
    controller.OnTimer();
    check("during the start-up");
    RunTicks(controller, host, 4);
    check("during the opening");
    RunTicks(controller, host);
    host.SetTimer(false);
    check("idle");
}

TEST_F(SequenceTest, CreationRunsItsStepsInOrder) {
    AddSession(1);
    Create({"/D:Q", "/X:-2000", "/Y:100"});
    EXPECT_EQ(log, (testing::Log{"fonts", "message file", "move 0 0", "skin", "page Init hidden", "pack library",
                                 "pack workdir " + work, "install markers", "timer on", "hourglass", "move 192 100"}));
    EXPECT_EQ(controller.CurrentSequence(), Sequence::Startup);
    EXPECT_EQ(controller.RunState(), ssShowPages);
    EXPECT_EQ(controller.Retries(), 10);
    EXPECT_EQ(controller.PasswordTries(), 0);
    EXPECT_EQ(controller.Sessions().Count(), 1);
    EXPECT_FALSE(controller.FormCloseQuery());
    EXPECT_TRUE(controller.QueryEndSession());
}

TEST_F(SequenceTest, WriterModeStopsAfterTheCommandLine) {
    EXPECT_EQ(controller.FormCreate({"/D:Q", "/S:scrivane"}, "C:\\x.exe"), RunMode::Scrivane);
    EXPECT_EQ(log, (testing::Log{"fonts", "message file", "move 0 0"}));
    EXPECT_FALSE(host.timer);
}

TEST_F(SequenceTest, ButtonsWindowMessagesAndErrorKinds) {
    AddSession(1);
    Create();
    RunTicks(controller, host);
    for (uintptr_t kind = 0; kind <= 10; ++kind) {
        host.plainMessages.clear();
        host.terminations = 0;
        EXPECT_TRUE(controller.HandleMessage(WM_LOADER_ERROR, kind));
        const auto action = ErrorKindActionOf(kind);
        if (!action) {
            EXPECT_TRUE(host.plainMessages.empty()) << kind;
            EXPECT_EQ(host.terminations, 0) << kind;
            continue;
        }
        EXPECT_EQ(host.plainMessages, (std::vector<std::string>{"M" + std::to_string(action->message)})) << kind;
        EXPECT_EQ(host.terminations, action->terminate ? 1 : 0) << kind;
    }
    host.terminations = 0;
    EXPECT_TRUE(controller.HandleMessage(WM_HANDOFF_CLOSE, 0));
    EXPECT_EQ(host.terminations, 1);
    controller.OnSkinButtonClick(kQuitButton);
    EXPECT_EQ(host.terminations, 2);
    EXPECT_FALSE(controller.CancelRequested());
    EXPECT_TRUE(controller.HandleMessage(WM_LOADER_CANCEL, 0));
    EXPECT_TRUE(controller.CancelRequested());
    EXPECT_FALSE(controller.HandleMessage(0x401, 0));
}

}  // namespace
}  // namespace kb::loader
