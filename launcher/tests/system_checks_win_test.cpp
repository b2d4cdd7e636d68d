// The system checks as they meet other programs: the version gate under the
// Windows versions a prefix can report, the launcher's own mutex against a
// second launcher, family programs held by the holder stand-in, the wait for
// the eraser, and the launcher and edition mutexes.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"
#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/named_mutex_win.h"
#include "launcher/win/os_version_win.h"
#include "launcher/win/system_checks_win.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::launcher {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;
using testing::BesideTest;
using testing::Child;
using testing::HolderSpec;
using testing::kDeadlineMs;

std::string Host() { return BesideTest("launcher_host.exe"); }

// The prefix reports version for one program name only, while it lives.
class AppVersion {
public:
    AppVersion(const std::string& exeName, const char* version)
        : key_("Software\\Wine\\AppDefaults\\" + exeName) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            ok_ = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                 static_cast<DWORD>(strlen(version) + 1)) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    ~AppVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string key_;
    bool ok_ = false;
};

TEST(VersionGate, OnlyAWorkstationOfVersion6OrLaterPasses) {
    struct Row {
        const char* version;   // null: the prefix's own, Windows 7
        const char* expected;  // code, gate, version
    };
    // Wine 8 reports a server product type for a program set to "win7" by
    // name, so Windows 7 is the prefix's own setting here.
    const Row rows[] = {
        {nullptr, "60000000 1 6.1\n"},
        {"vista", "60000000 1 6.0\n"},
        {"win2008", "60000004 0 6.0\n"},
        {"winxp", "20000800 0 5.1\n"},
    };
    TempDir dir;
    for (const Row& row : rows) {
        // A copy of the host under a name of its own: the prefix's setting for
        // every other program stays as it is.
        const std::string label = row.version ? row.version : "prefix";
        const std::string name = "gate_" + label + "_" + std::to_string(GetCurrentProcessId()) + ".exe";
        ASSERT_TRUE(CopyFileA(Host().c_str(), (dir / name).c_str(), FALSE));
        std::unique_ptr<AppVersion> setting;
        if (row.version) {
            setting = std::make_unique<AppVersion>(name, row.version);
            ASSERT_TRUE(setting->ok());
        }
        const std::string out = dir / (label + ".txt");
        Child host(dir / name, "version \"" + out + "\"");
        DWORD code = 99;
        ASSERT_TRUE(host.WaitExit(kDeadlineMs, code)) << label;
        EXPECT_EQ(code, 0u);
        std::string text;
        ASSERT_TRUE(ReadWholeFile(out, text)) << label;
        EXPECT_EQ(text, row.expected) << label;
    }
}

TEST(OwnMutex, ASecondLauncherEndsSilently) {
    Child first(Host(), "hold-own");
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(testing::WaitForMutexes({"Global\\DremlinMutex"}));
    uidriver::WindowQuery query{"#32770", "Dremlin", first.Pid()};
    HWND window = uidriver::WaitForTopWindow(query, kDeadlineMs);
    ASSERT_TRUE(window);
    ASSERT_TRUE(testing::WaitUntil([&] { return IsIconic(window) != FALSE; }));

    Child second(Host(), "hold-own");
    DWORD code = 99;
    // A message box would keep the second one from ending.
    ASSERT_TRUE(second.WaitExit(kDeadlineMs, code));
    EXPECT_EQ(code, 0u);
    // The launcher's own probe passes its empty window class as it is; Wine
    // matches no window to an empty class, so the first one stays as it was.
    DWORD firstCode = 0;
    EXPECT_FALSE(first.WaitExit(0, firstCode)) << "the first launcher runs on";
}

struct ConflictCase {
    const char* name;
    int targetApp;
    std::vector<HolderSpec> holders;  // each minimised
    std::vector<bool> broughtForward;  // per holder
    const char* message;               // null: no conflict
};

class Conflicts : public ::testing::TestWithParam<ConflictCase> {};

TEST_P(Conflicts, ARunningProgramGivesMessage3WithTheEditionsName) {
    const ConflictCase& c = GetParam();
    TempDir dir;
    const std::string ini = dir / "Dremlin.ini";
    // A disc's text with conversions of its own: only the first "%s" is the name.
    ASSERT_TRUE(WriteWholeFile(ini, "[Message]\r\nAppRunning=M3 %s %d %n %s 100%%\r\n"));
    std::vector<std::unique_ptr<Child>> holders;
    std::vector<HWND> windows;
    for (const HolderSpec& spec : c.holders) {
        holders.push_back(std::make_unique<Child>(BesideTest("standins\\holder\\holder.exe"), testing::HolderArguments(spec)));
        ASSERT_TRUE(testing::WaitForMutexes(spec.mutexes));
        HWND w = testing::WaitForHolderWindow(spec, holders.back()->Pid());
        ASSERT_TRUE(w);
        ASSERT_TRUE(testing::WaitUntil([&] { return IsIconic(w) != FALSE; }));
        windows.push_back(w);
    }
    Child host(Host(), "conflicts " + std::to_string(c.targetApp) + " \"" + ini + "\"");
    DWORD code = 99;
    if (c.message) {
        const auto box = uidriver::WaitForMessageBox("Dremlin", host.Pid(), kDeadlineMs);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, c.message);
        HWND owner = GetWindow(box->window, GW_OWNER);
        EXPECT_TRUE(owner && uidriver::TextOf(owner) == "Dremlin" && owner != box->window) << "owned by the main window";
        for (size_t i = 0; i < windows.size(); ++i)
            EXPECT_EQ(IsIconic(windows[i]) == FALSE, c.broughtForward[i]) << "holder " << i;
        EXPECT_EQ(uidriver::FindTopWindows({"#32770", "Dremlin", host.Pid()}).size(), 2u) << "one box besides the main window";
        uidriver::AnswerMessageBox(box->window, IDOK);
        ASSERT_TRUE(host.WaitExit(kDeadlineMs, code));
        EXPECT_EQ(code, 0u);
    } else {
        ASSERT_TRUE(host.WaitExit(kDeadlineMs, code));
        EXPECT_EQ(code, 1u);
    }
}

HolderSpec Family(const char* mutex, const char* cls, const char* title) {
    HolderSpec spec;
    spec.mutexes = {std::string("Global\\") + mutex};
    spec.window = true;
    spec.windowClass = cls;
    spec.windowTitle = title;
    spec.minimized = true;
    return spec;
}

INSTANTIATE_TEST_SUITE_P(
    Family, Conflicts,
    ::testing::Values(
        ConflictCase{"SelectorBesideCryvane", 102, {Family("TARVEL_WIN_SELECTOR", "TApplication", "Welcome")}, {true},
                     "M3 Cryvane %d %n %s 100%"},
        ConflictCase{"LauncherFamilyEndsTheCheck", 102,
                     {Family("QZOstrevan", "CQZApplication", "QZLauncher"),
                      Family("TARVEL_WIN_SELECTOR", "TApplication", "Welcome")},
                     {true, false}, "M3 Cryvane %d %n %s 100%"},
        ConflictCase{"WriterAndLoaderBesideSolmir", 101,
                     {Family("TARVEL_WIN_WRITER", "TApplication", "Scrivane"),
                      Family("TARVEL_WIN_LOADER", "TApplication", "Lumar")},
                     {true, true}, "M3 SOLMIR %d %n %s 100%"},
        ConflictCase{"VeltrinProgram", 100,
                     {Family("VELTRIN_APPLICATION", "VELTRIN_APPLICATION", "VELTRIN_APPLICATION")}, {true},
                     "M3 Veltrin %d %n %s 100%"},
        ConflictCase{"GroupBIsNoConflictForSolmir", 101, {Family("TARVEL_WIN_SELECTOR", "TApplication", "Welcome")},
                     {false}, nullptr},
        ConflictCase{"NothingRuns", 103, {}, {}, nullptr}),
    [](const ::testing::TestParamInfo<ConflictCase>& info) { return std::string(info.param.name); });

// The eraser's holder and the probes' answer, and when each ended.
TEST(WaitForEraser, TheStartGoesOnOnceTheEraserHasEnded) {
    HolderSpec eraser = Family("QZDelvane", "CQZApplication", "QZEraser");
    eraser.minimized = false;
    eraser.forMs = 5000;
    Child holder(BesideTest("standins\\holder\\holder.exe"), testing::HolderArguments(eraser));
    ASSERT_TRUE(testing::WaitForMutexes(eraser.mutexes));
    Child host(Host(), "wait-eraser");
    DWORD code = 99, holderCode = 99;
    ASSERT_TRUE(host.WaitExit(kDeadlineMs, code));
    EXPECT_EQ(code, 1u);
    ASSERT_TRUE(holder.WaitExit(0, holderCode)) << "the wait ended while the eraser still ran";
    FILETIME created, hostEnded, holderEnded, kernel, user;
    ASSERT_TRUE(GetProcessTimes(host.Process(), &created, &hostEnded, &kernel, &user));
    ASSERT_TRUE(GetProcessTimes(holder.Process(), &created, &holderEnded, &kernel, &user));
    EXPECT_GE(CompareFileTime(&hostEnded, &holderEnded), 0);
}

// Twenty probes two seconds apart: about forty seconds.
TEST(WaitForEraser, AnEraserThatKeepsRunningEndsTheWaitAfterTwentyProbes) {
    const HolderSpec eraser = Family("QZDelvane", "CQZApplication", "QZEraser");
    Child holder(BesideTest("standins\\holder\\holder.exe"), testing::HolderArguments(eraser));
    ASSERT_TRUE(testing::WaitForMutexes(eraser.mutexes));
    const ULONGLONG start = GetTickCount64();
    Child host(Host(), "wait-eraser");
    DWORD code = 99;
    ASSERT_TRUE(host.WaitExit(kDeadlineMs + 60000, code));
    EXPECT_EQ(code, 0u);
    EXPECT_GE(GetTickCount64() - start, 39000u);
    DWORD holderCode = 0;
    EXPECT_FALSE(holder.WaitExit(0, holderCode));
}

TEST(LauncherMutexes, ASecondLauncherFindsThemTaken) {
    Child first(Host(), "hold-mutexes 103");
    ASSERT_TRUE(testing::WaitForMutexes({"Local\\QZOstrevan", "Global\\QZOstrevan", "Global\\TARVEL_WIN_WRITER"}));
    Child second(Host(), "hold-mutexes 103");
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(kDeadlineMs, code));
    EXPECT_EQ(code, 0u);
    first.End();
    EXPECT_EQ(ProbeNamedMutex("QZOstrevan", true), kMutexFree);
}

TEST(LauncherMutexes, HoldingTheEditionMutexAgainKeepsOneHandle) {
    for (const int targetApp : {100, 103}) {
        const std::string name = targetApp == 100 ? "VELTRIN_APPLICATION" : "TARVEL_WIN_WRITER";
        CMessageTable messages;
        CSystemChecks checks(nullptr, messages);
        checks.SetTargetApp(targetApp);
        ASSERT_TRUE(checks.HoldLauncherMutexes());
        ASSERT_TRUE(checks.HoldEditionMutex());
        EXPECT_EQ(ProbeNamedMutex(name, true), kMutexTaken);
        DWORD handles = 0, again = 0;
        ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handles));
        // As after a start that failed: the mutex is held again.
        EXPECT_TRUE(checks.HoldEditionMutex()) << targetApp;
        EXPECT_TRUE(checks.EditionMutexHeld());
        ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &again));
        EXPECT_EQ(again, handles) << targetApp;
        checks.ReleaseEditionMutex();
        EXPECT_EQ(ProbeNamedMutex(name, true), kMutexFree) << "no handle of it is left behind";
        checks.ReleaseLauncherMutexes();
    }
}

TEST(LauncherMutexes, OtherEditionsHoldNoEditionMutex) {
    CMessageTable messages;
    CSystemChecks checks(nullptr, messages);
    for (const int targetApp : {101, 102, 104, 0}) {
        checks.SetTargetApp(targetApp);
        EXPECT_TRUE(checks.HoldEditionMutex());
        EXPECT_FALSE(checks.EditionMutexHeld());
    }
}

}  // namespace
}  // namespace kb::launcher
