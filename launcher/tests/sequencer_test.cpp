// The start and run sequences over a recording platform: the road to each
// edition's program, and each failing step with its message, its end or
// return to Ready, the eraser and the edition mutex.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/sequencer.h"
#include "launcher/tests/fake_platform.h"
#include "testing/kit/code_page.h"

namespace kb::launcher {
namespace {

using testing::FakePlatform;
using Strings = std::vector<std::string>;

const std::string kWork = "C:\\users\\me\\Temp\\QZDiscUtil";

DiscFacts PassingDisc(int edition, unsigned char control = 0x00) {
    DiscFacts f;
    std::string bytes(128, '\0');
    bytes[100] = static_cast<char>(control);
    switch (edition) {
        case 100:
            f.files[kDiscVeltrinModule] = {true, 372736};
            f.files[kDiscVeltrinIndex] = {true, 10};
            f.files[kDiscVeltrinControl] = {true, 128};
            f.controlFiles[kDiscVeltrinControl] = bytes;
            f.rootEntries = {{".", true}, {std::string(61, 'L') + ".txt", false}};
            break;
        case 101:
            f.files[kDiscSkinArchive] = {true, 3030474};
            f.files[kDiscSolmirControl] = {true, 128};
            f.controlFiles[kDiscSolmirControl] = bytes;
            f.files[kDiscSessions] = {true, 1};
            break;
        case 102:
            f.files[kDiscCryvaneSettings] = {true, 1};
            f.files[kDiscSessions] = {true, 1};
            break;
        case 103:
            f.files[kDiscZepquaSplash] = {true, 1};
            f.files[kDiscSessions] = {true, 1};
            break;
        case 104:
            f.files[kDiscSkinArchive] = {true, 3598274};
            f.files[kDiscSessions] = {true, 1};
            break;
    }
    return f;
}

struct Launcher {
    FakePlatform p;
    LauncherSequencer s{p};

    explicit Launcher(int edition = 101) {
        p.ini["Initial/TargetApp"] = std::to_string(edition);
        p.disc = PassingDisc(edition);
    }
    void Fire(unsigned id) {
        ASSERT_EQ(p.timers.count(id), 1u) << "timer " << id << " is not set";
        EXPECT_TRUE(s.OnTimer(id));
    }
    void StartUp() {
        if (!s.OnInitDialog()) return;
        Fire(kTimerShowSplash);
        if (p.timers.count(kTimerStart)) Fire(kTimerStart);
    }
    void Ready() {
        StartUp();
        ASSERT_EQ(s.state(), LauncherState::kReady);
        ASSERT_TRUE(p.errors.empty());
    }
    size_t At(const std::string& entry) const {
        auto it = std::find(p.log.begin(), p.log.end(), entry);
        return it == p.log.end() ? std::string::npos : static_cast<size_t>(it - p.log.begin());
    }
    bool Logged(const std::string& entry) const { return At(entry) != std::string::npos; }
};

TEST(Sequencer, EachEditionStartsItsProgramAndEndsOnTheHandOff) {
    const struct {
        int edition;
        Strings archives;
        const char* program;
        const char* parameters;
        bool commentMoved;
        bool editionHeldWhileWaiting;
    } rows[] = {
        {100, {"Module_Veltra.ach"}, "\\VeltrinForUtil.exe", "/D:G /H:65814 /V:21", false, true},
        {101, {"Module_jpn.ach", "skin_jpn.ach"}, "\\lumarforutil.exe", "/D:G /H:65814 /A:SOLMIR", false, false},
        {102, {"Module_others.ach", "skin_others.ach"}, "\\lumarforutil.exe", "/D:G /H:65814 /A:CRYVANE", true, false},
        {103, {"Module_oem.ach", "skin_oem.ach"}, "\\lumarforutil.exe", "/D:G /H:65814 /A:ZEPQUA", false, false},
        {104, {"Module_others.ach", "skin_others.ach"}, "\\lumarforutil.exe", "/D:G /H:65814 /A:CRYVANE", true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.edition);
        Launcher l(r.edition);
        l.p.admin = false;
        l.p.selected = 'G';
        l.Ready();
        EXPECT_EQ(l.s.targetApp(), r.edition);
        EXPECT_EQ(l.s.workFolder(), kWork);
        EXPECT_EQ(l.s.settingsPath(), "E:\\Launcher\\Dremlin.ini");
        EXPECT_TRUE(l.Logged("texts M0 M1"));
        EXPECT_TRUE(l.Logged("drives EG"));
        EXPECT_TRUE(l.Logged("splash E:\\Launcher\\Dremlin.ini Preparing FS"));
        Strings expected;
        for (const auto& a : r.archives) expected.push_back("E:\\Launcher\\" + a);
        EXPECT_EQ(l.p.extracted, expected);
        EXPECT_EQ(l.Logged("move comment 10,30 250x20"), r.commentMoved);
        EXPECT_LT(l.At("reveal"), l.At("destroy splash"));
        EXPECT_TRUE(l.s.startEraser());

        l.s.OnRun();
        EXPECT_EQ(l.s.state(), LauncherState::kWaiting);
        EXPECT_TRUE(l.Logged("wait G M15"));
        ASSERT_FALSE(l.p.programs.empty());
        EXPECT_EQ(l.p.programs.back().file, kWork + r.program);
        EXPECT_EQ(l.p.programs.back().parameters, r.parameters);
        // The timeout runs from before the start, so an early hand-off counts.
        EXPECT_LT(l.At("set timer 10002 30000"), l.At("open " + kWork + r.program + " [" + r.parameters + "]"));
        EXPECT_FALSE(l.s.startEraser());
        EXPECT_FALSE(l.p.controlsEnabled);
        EXPECT_EQ(l.p.held.count(MutexSlot::kEdition) == 1, r.editionHeldWhileWaiting);
        // Not an administrator and no control flag: the driver environment was examined.
        ASSERT_EQ(l.p.driverRecords.size(), 1u);
        const auto request = BuildDriverRequest("E:\\Launcher\\Dremlin.exe", kWork);
        ASSERT_TRUE(request.has_value());
        EXPECT_EQ(l.p.driverRecords[0], *request);
        EXPECT_TRUE(l.Logged("check environment " + kWork + "\\Kellmark.dll"));

        EXPECT_TRUE(l.s.OnHandOff());
        EXPECT_TRUE(l.p.destroyed);
        EXPECT_FALSE(l.p.ended);
        EXPECT_FALSE(l.p.EraserStarted());
        EXPECT_EQ(l.s.state(), LauncherState::kEnded);
        EXPECT_TRUE(l.p.errors.empty());
    }
}

TEST(Sequencer, StartUpFailuresEndWithoutTheEraser) {
    const struct {
        const char* what;
        std::function<void(FakePlatform&)> setup;
        Strings errors;
        std::function<void(const Launcher&)> check;
    } rows[] = {
        {"module path unreadable", [](FakePlatform& p) { p.modulePath.reset(); },
         {"Fatal Error: Application can not run correctly"},
         [](const Launcher& l) { EXPECT_TRUE(l.p.timers.empty()); }},
        {"no settings file", [](FakePlatform& p) { p.settingsExist = false; },
         {"Fatal Error: Dremlin.ini is not found."},
         [](const Launcher& l) { EXPECT_TRUE(l.Logged("exists E:\\Launcher\\Dremlin.ini")); }},
        {"splash not created", [](FakePlatform& p) { p.splashOk = false; }, {"FS"},
         [](const Launcher& l) { EXPECT_FALSE(l.Logged("set timer 10001 2000")); }},
        {"Windows XP", [](FakePlatform& p) { p.version.major = 5, p.version.minor = 1; }, {"M2"}, nullptr},
        {"a server of 6.1", [](FakePlatform& p) { p.version.productType = 3; }, {"M2"}, nullptr},
        {"version unreadable", [](FakePlatform& p) { p.version.record = OsVersionFacts::Record::kNone; }, {"M2"}, nullptr},
        {"another launcher runs", [](FakePlatform& p) { p.running["DremlinMutex|Dremlin"] = -1; }, {},
         [](const Launcher& l) { EXPECT_EQ(l.p.acquires.count(MutexSlot::kOwn), 0u); }},
        {"own mutex taken", [](FakePlatform& p) { p.takenMutexes.insert("Global\\DremlinMutex"); }, {},
         [](const Launcher& l) { EXPECT_TRUE(l.Logged("acquire own Global\\DremlinMutex||Dremlin")); }},
        {"eraser runs on", [](FakePlatform& p) { p.running["QZDelvane|QZEraser"] = -1; }, {"M11"},
         [](const Launcher& l) {
             EXPECT_EQ(l.p.sleeps, 20);
             EXPECT_EQ(std::count(l.p.probes.begin(), l.p.probes.end(), "QZDelvane|QZEraser"), 20);
         }},
        {"launcher family runs, 102",
         [](FakePlatform& p) {
             p.ini["Initial/TargetApp"] = "102";
             p.running["QZOstrevan|QZLauncher"] = -1;
             p.running["TARVEL_WIN_SELECTOR|Welcome"] = -1;
         },
         {"M3 Cryvane"},
         [](const Launcher& l) {
             EXPECT_EQ(l.p.probes, (Strings{"DremlinMutex|Dremlin", "QZDelvane|QZEraser", "QZOstrevan|QZLauncher"}));
         }},
        {"102 selector runs",
         [](FakePlatform& p) {
             p.ini["Initial/TargetApp"] = "102";
             p.running["TARVEL_WIN_SELECTOR|Welcome"] = -1;
         },
         {"M3 Cryvane"}, nullptr},
        {"100 encrypted program runs",
         [](FakePlatform& p) {
             p.ini["Initial/TargetApp"] = "100";
             p.running["VELTRIN_APPLICATION|VELTRIN_APPLICATION"] = -1;
             p.running["VELTRIN_UTIL_APPLICATION|VELTRIN_APPLICATION"] = -1;
         },
         {"M3 Veltrin"},
         [](const Launcher& l) {
             EXPECT_EQ(std::count(l.p.probes.begin(), l.p.probes.end(), "VELTRIN_UTIL_APPLICATION|VELTRIN_APPLICATION"), 0);
         }},
        {"100 encrypted utility runs",
         [](FakePlatform& p) {
             p.ini["Initial/TargetApp"] = "100";
             p.running["VELTRIN_UTIL_APPLICATION|VELTRIN_APPLICATION"] = -1;
         },
         {"M3 Veltrin"}, nullptr},
        {"101 writer and loader run: both probed, one box",
         [](FakePlatform& p) {
             p.running["TARVEL_WIN_WRITER|Scrivane"] = -1;
             p.running["TARVEL_WIN_LOADER|Lumar"] = -1;
         },
         {"M3 SOLMIR"},
         [](const Launcher& l) {
             EXPECT_EQ(std::count(l.p.probes.begin(), l.p.probes.end(), "TARVEL_WIN_LOADER|Lumar"), 1);
         }},
        {"103 loader runs",
         [](FakePlatform& p) {
             p.ini["Initial/TargetApp"] = "103";
             p.running["TARVEL_WIN_LOADER|Lumar"] = -1;
         },
         {"M3 Vornal\x83\x66\x83\x42\x83\x58\x83\x4E\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56\x83\x87\x83\x93"},
         nullptr},
        {"a hostile message 3 is no format",
         [](FakePlatform& p) {
             p.ini["Message/AppRunning"] = "%n%d%s%s%x";
             p.running["QZOstrevan|QZLauncher"] = -1;
         },
         {"%n%dSOLMIR%s%x"}, nullptr},
        {"launcher local mutex taken", [](FakePlatform& p) { p.takenMutexes.insert("Local\\QZOstrevan"); }, {"M4"},
         [](const Launcher& l) { EXPECT_EQ(l.p.acquires.count(MutexSlot::kLauncherGlobal), 0u); }},
        {"launcher global mutex taken", [](FakePlatform& p) { p.takenMutexes.insert("Global\\QZOstrevan"); }, {"M4"},
         nullptr},
        {"103 edition mutex taken",
         [](FakePlatform& p) {
             p.ini["Initial/TargetApp"] = "103";
             p.takenMutexes.insert("Global\\TARVEL_WIN_WRITER");
         },
         {"M4"}, nullptr},
        {"100 edition mutex taken",
         [](FakePlatform& p) {
             p.ini["Initial/TargetApp"] = "100";
             p.takenMutexes.insert("Global\\VELTRIN_APPLICATION");
         },
         {"M4"}, nullptr},
        {"no CD-ROM drive", [](FakePlatform& p) { p.drives.clear(); }, {"M5"},
         [](const Launcher& l) { EXPECT_TRUE(l.p.extracted.empty()); }},
        {"TargetApp not a number", [](FakePlatform& p) { p.ini["Initial/TargetApp"] = "abc"; }, {"M9"},
         [](const Launcher& l) {
             EXPECT_TRUE(l.p.extracted.empty());
             EXPECT_FALSE(l.Logged("delete " + kWork));
             EXPECT_EQ(l.s.targetApp(), 0);
         }},
        {"skin fails twice", [](FakePlatform& p) { p.extractResults = {true, false, true, false}; }, {"M9"},
         [](const Launcher& l) {
             EXPECT_EQ(l.p.extracted.size(), 4u);
             EXPECT_LT(l.At("delete " + kWork), l.At("extract E:\\Launcher\\skin_jpn.ach") + 2);
             EXPECT_EQ(std::count(l.p.log.begin(), l.p.log.end(), "delete " + kWork), 1);
         }},
        {"archive server missing", [](FakePlatform& p) { p.extractResults = {false, false}; }, {"M9"},
         [](const Launcher& l) {
             EXPECT_EQ(l.p.extracted, (Strings{"E:\\Launcher\\Module_jpn.ach", "E:\\Launcher\\Module_jpn.ach"}));
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Launcher l;
        r.setup(l.p);
        l.StartUp();
        EXPECT_EQ(l.p.errors, r.errors);
        EXPECT_EQ(l.s.state(), LauncherState::kEnded);
        EXPECT_TRUE(l.p.ended);
        EXPECT_FALSE(l.p.revealed);
        EXPECT_FALSE(l.p.EraserStarted());
        EXPECT_TRUE(l.p.held.empty());
        if (r.check) r.check(l);
    }
}

TEST(Sequencer, StartGoesOnAfterARetryAndAfterTheEraserLeft) {
    Launcher l;
    l.p.extractResults = {false};
    l.p.running["QZDelvane|QZEraser"] = 3;
    l.p.ini["Initial/TargetApp"] = "\"104\"";
    l.Ready();
    EXPECT_EQ(l.s.targetApp(), 104);
    EXPECT_EQ(l.p.sleeps, 3);
    EXPECT_EQ(l.p.extracted, (Strings{"E:\\Launcher\\Module_others.ach", "E:\\Launcher\\Module_others.ach",
                                      "E:\\Launcher\\skin_others.ach"}));
    EXPECT_TRUE(l.Logged("delete " + kWork));
}

TEST(Sequencer, RunFailuresReturnToReady) {
    const struct {
        const char* what;
        int edition;
        std::function<void(FakePlatform&)> setup;
        Strings errors;
        int editionAcquires;
        bool editionHeld;
        std::function<void(const Launcher&)> check;
    } rows[] = {
        {"no readable disc", 101, [](FakePlatform& p) { p.discReady = false; }, {"M6"}, 0, false,
         [](const Launcher& l) { EXPECT_TRUE(l.p.discQuestions.empty()); }},
        {"not the edition's disc", 101, [](FakePlatform& p) { p.disc = PassingDisc(104); }, {"M7 SOLMIR"}, 0, false,
         nullptr},
        {"no data", 101, [](FakePlatform& p) { p.disc.files.erase(kDiscSessions); }, {"M8 SOLMIR"}, 0, false, nullptr},
        {"103 not its disc", 103, [](FakePlatform& p) { p.disc = {}; }, {"M7 Vornal\x83\x66\x83\x42\x83\x58\x83\x4E"}, 1,
         true, nullptr},
        {"100 unlisted size", 100, [](FakePlatform& p) { p.disc.files[kDiscVeltrinModule].size = 1; }, {"M7 Veltrin"},
         1, true, [](const Launcher& l) { EXPECT_EQ(l.s.versionCode(), 0); }},
        {"hostile message 7", 101,
         [](FakePlatform& p) {
             p.ini["Message/InvalidDisc"] = "%n%d %s %s %%";
             p.disc = {};
         },
         {"%n%d SOLMIR %s %"}, 0, false, nullptr},
        {"driver to install (9)", 101,
         [](FakePlatform& p) {
             p.admin = false;
             p.checkEnvironment = 9;
         },
         {}, 0, false, [](const Launcher& l) { EXPECT_TRUE(l.Logged("driver download M13 M14")); }},
        {"driver to install (10)", 101,
         [](FakePlatform& p) {
             p.admin = false;
             p.checkEnvironment = 10;
         },
         {}, 0, false, [](const Launcher& l) { EXPECT_TRUE(l.Logged("driver download M13 M14")); }},
        {"driver check answers 0", 101,
         [](FakePlatform& p) {
             p.admin = false;
             p.checkEnvironment = 0;
         },
         {"M12"}, 0, false, nullptr},
        {"driver manager not bound", 101,
         [](FakePlatform& p) {
             p.admin = false;
             p.checkEnvironment.reset();
         },
         {"M12"}, 0, false, nullptr},
        {"launcher path too long for the record", 101,
         [](FakePlatform& p) {
             p.admin = false;
             p.modulePath = "E:\\" + std::string(250, 'L') + "\\Dremlin.exe";
         },
         {"M12"}, 0, false,
         [](const Launcher& l) { EXPECT_TRUE(l.p.driverRecords.empty()); }},
        {"program not started", 101, [](FakePlatform& p) { p.programStarts = false; }, {"M10"}, 0, false, nullptr},
        {"103 program not started: mutex held again", 103, [](FakePlatform& p) { p.programStarts = false; }, {"M10"},
         2, true, [](const Launcher& l) { EXPECT_LT(l.At("release edition"), l.At("error M10")); }},
        {"100 program not started: the held mutex is kept", 100, [](FakePlatform& p) { p.programStarts = false; },
         {"M10"}, 1, true, [](const Launcher& l) { EXPECT_FALSE(l.Logged("release edition")); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Launcher l(r.edition);
        r.setup(l.p);
        l.Ready();
        l.s.OnRun();
        EXPECT_EQ(l.p.errors, r.errors);
        EXPECT_EQ(l.s.state(), LauncherState::kReady);
        EXPECT_TRUE(l.p.controlsEnabled);
        EXPECT_FALSE(l.s.started());
        EXPECT_EQ(l.p.timers.count(kTimerRunTimeout), 0u);
        EXPECT_FALSE(l.p.ended || l.p.destroyed);
        EXPECT_FALSE(l.p.EraserStarted());
        EXPECT_EQ(l.p.acquires[MutexSlot::kEdition], r.editionAcquires);
        EXPECT_EQ(l.p.held.count(MutexSlot::kEdition) == 1, r.editionHeld);
        EXPECT_TRUE(l.s.startEraser());
        EXPECT_FALSE(l.s.OnHandOff());  // nothing was started
        if (r.check) r.check(l);
    }
}

TEST(Sequencer, DriverCheckOnlyForAUserWhoIsNotAdministratorOnADiscThatAsks) {
    const struct {
        bool admin;
        unsigned char control;
        bool checked;
    } rows[] = {{true, 0x00, false}, {false, 0x01, false}, {false, 0xFF, false}, {false, 0xFE, true}, {true, 0x01, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.admin << "/" << int(r.control));
        Launcher l(101);
        l.p.admin = r.admin;
        l.p.disc = PassingDisc(101, r.control);
        l.Ready();
        l.s.OnRun();
        EXPECT_TRUE(l.Logged("admin?"));  // always asked
        EXPECT_EQ(l.p.driverRecords.size(), r.checked ? 1u : 0u);
        EXPECT_EQ(l.s.state(), LauncherState::kWaiting);
    }
}

TEST(Sequencer, TimeoutReportsAndStartsTheEraser) {
    Launcher l(103);
    l.Ready();
    l.s.OnRun();
    ASSERT_EQ(l.s.state(), LauncherState::kWaiting);
    l.p.log.clear();
    l.Fire(kTimerRunTimeout);
    EXPECT_EQ(l.p.errors, Strings{"M10"});
    EXPECT_EQ(l.p.log, (Strings{"kill timer 10002", "enable close", "error M10", "release edition", "release global",
                                "release local",
                                "open " + kWork + "\\Delvane.exe [ /W:4 /X:2 /E:" + kWork + "]", "release own",
                                "end dialog"}));
    EXPECT_FALSE(l.s.OnHandOff());  // too late
    EXPECT_FALSE(l.p.destroyed);
    EXPECT_TRUE(l.p.held.empty());
}

TEST(Sequencer, AHandOffDuringTheStartIsNotLost) {
    Launcher l;
    l.Ready();
    l.p.duringShellOpen = [&] { EXPECT_TRUE(l.s.OnHandOff()); };
    l.s.OnRun();
    EXPECT_TRUE(l.p.destroyed);
    EXPECT_EQ(l.s.state(), LauncherState::kEnded);
    EXPECT_TRUE(l.p.errors.empty());
    EXPECT_FALSE(l.p.controlsEnabled);
    EXPECT_FALSE(l.p.EraserStarted());
}

TEST(Sequencer, HandOffOnlyWhileWaiting) {
    Launcher l;
    EXPECT_FALSE(l.s.OnHandOff());
    l.Ready();
    EXPECT_FALSE(l.s.OnHandOff());
    l.p.programStarts = false;
    l.s.OnRun();
    EXPECT_FALSE(l.s.OnHandOff());
    EXPECT_EQ(l.s.state(), LauncherState::kReady);
    EXPECT_FALSE(l.p.destroyed);
}

TEST(Sequencer, CloseInReadyEndsWithTheEraserInOrder) {
    Launcher l(100);
    l.Ready();
    l.p.log.clear();
    l.s.OnCloseRequest();
    EXPECT_EQ(l.p.log, (Strings{"release edition", "release global", "release local",
                                "open " + kWork + "\\Delvane.exe [ /W:4 /X:2 /E:" + kWork + "]", "release own",
                                "end dialog"}));
    EXPECT_TRUE(l.p.held.empty());
    l.s.OnCloseRequest();  // once ended, nothing more
    l.s.OnRun();
    EXPECT_EQ(l.p.programs.size(), 1u);
}

TEST(Sequencer, CloseBeforeTheStartEndsWithoutTheEraser) {
    Launcher l;
    ASSERT_TRUE(l.s.OnInitDialog());
    l.s.OnCloseRequest();
    EXPECT_TRUE(l.p.ended);
    EXPECT_FALSE(l.p.EraserStarted());
    EXPECT_FALSE(l.s.OnTimer(12345));
}

TEST(Sequencer, CloseIsIgnoredWhileCheckingAndWaiting) {
    Launcher l;
    l.Ready();
    l.p.duringWaitForDisc = [&] { l.s.OnCloseRequest(); };
    l.s.OnRun();
    EXPECT_FALSE(l.p.ended);
    ASSERT_EQ(l.s.state(), LauncherState::kWaiting);
    l.s.OnCloseRequest();
    l.s.OnRun();  // Run is ignored too
    EXPECT_FALSE(l.p.ended);
    EXPECT_EQ(l.p.programs.size(), 1u);
}

TEST(Sequencer, RunWorksAgainAfterAFailedStart) {
    Launcher l(103);
    l.Ready();
    l.p.programStarts = false;
    l.s.OnRun();
    ASSERT_EQ(l.s.state(), LauncherState::kReady);
    l.p.programStarts = true;
    l.s.OnRun();
    EXPECT_EQ(l.s.state(), LauncherState::kWaiting);
    EXPECT_EQ(l.p.acquires[MutexSlot::kEdition], 2);
    EXPECT_EQ(l.p.held.count(MutexSlot::kEdition), 0u);  // released before the second start
    EXPECT_EQ(l.p.errors, Strings{"M10"});
}

TEST(Sequencer, FolderOfPathIsDoubleByteAware) {
    EXPECT_EQ(FolderOfPath("E:\\Launcher\\Dremlin.exe"), "E:\\Launcher\\");
    EXPECT_EQ(FolderOfPath("Dremlin.exe"), "");
    EXPECT_EQ(FatalNoSettingsText(), "Fatal Error: Dremlin.ini is not found.");
}

class SequencerShiftJis : public ::testing::Test {
protected:
    void SetUp() override { KB_REQUIRE_CP932(); }
    void TearDown() override { ::kb::testing::UseSingleByteCodePage(); }
};

TEST_F(SequencerShiftJis, FolderOfPathKeepsATrailByteBackslash) {
    // 0x95 0x5C is one character whose trail byte is a backslash.
    EXPECT_EQ(FolderOfPath("E:\\\x95\x5C\\Dremlin.exe"), "E:\\\x95\x5C\\");
    EXPECT_EQ(FolderOfPath("E:\\\x95\x5C"), "E:\\");
}

}  // namespace
}  // namespace kb::launcher
