// Dremlin.exe end to end as the user meets it: started from a launcher
// folder, with a disc on the CD-ROM rig's drive (KB_CDROM_LETTER, its folder
// in KB_LAUNCHER_DISC, written by the disc builder's "launcher" layout),
// driven from outside. The loader (but in one test, which runs the real one)
// and the eraser are stand-ins that record how they were started
// (KB_STANDIN_LOG).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "launcher/sequencer.h"
#include "launcher/tests/dremlin_fixture_win.h"
#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/named_mutex_win.h"
#include "launcher/win/resource.h"
#include "launcher/win/work_folder_win.h"
#include "loader/app/tests/loader_folder_win.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::launcher {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;
using testing::Adopted;
using testing::BesideTest;
using testing::Child;
using testing::HolderSpec;
using testing::kDeadlineMs;
using testing::LauncherFolder;
using testing::LauncherFolderOptions;
using testing::WaitUntil;
using testing::WorkFolder;

std::string Env(const char* name) {
    char value[1024] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

char DiscLetter() {
    const std::string letter = Env("KB_CDROM_LETTER");
    return letter.empty() ? 0 : static_cast<char>(toupper(static_cast<unsigned char>(letter[0])));
}

// The disc's folder in Windows syntax.
std::string DiscFolder() {
    std::string path = Env("KB_LAUNCHER_DISC");
    for (char& c : path)
        if (c == '/') c = '\\';
    return path.empty() ? path : "Z:" + path;
}

// The letters of the prefix's CD-ROM drives.
std::string CdRomLetters() {
    const std::vector<char> letters = CdRomDriveLetters();
    return std::string(letters.begin(), letters.end());
}

#define REQUIRE_DISC()                                                      \
    if (!DiscLetter() || DiscFolder().empty()) GTEST_SKIP() << "needs the CD-ROM rig"

// A setting of the prefix for Dremlin.exe only, while it lives: the Windows
// version it reports ("", "Version"), or a library's load order
// ("DllOverrides", name; an empty order means the library is not there).
class AppDefault {
public:
    AppDefault(const std::string& subkey, const std::string& name, const std::string& value)
        : key_(std::string("Software\\Wine\\AppDefaults\\Dremlin.exe") + (subkey.empty() ? "" : "\\" + subkey)),
          name_(name) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            ok_ = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    ~AppDefault() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, name_.c_str());
            RegCloseKey(key);
        }
    }
    bool ok() const { return ok_; }

private:
    std::string key_, name_;
    bool ok_ = false;
};

// Each test starts with no work folder and a log of its own.
class Dremlin : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFolderTree(WorkFolder());
        log_ = logDir_ / "calls.log";
        SetEnvironmentVariableA("KB_STANDIN_LOG", log_.c_str());
        SetEnvironmentVariableA("KB_STANDIN_SILENT", nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableA("KB_STANDIN_LOG", nullptr);
        SetEnvironmentVariableA("KB_STANDIN_SILENT", nullptr);
        DeleteFolderTree(WorkFolder());
    }

    std::string Log() const {
        std::string text;
        ReadWholeFile(log_, text);
        return text;
    }
    // The log's lines of one program.
    std::vector<std::string> Calls(const std::string& name) const {
        std::vector<std::string> lines;
        const std::string text = Log();
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(at, end - at);
            if (line.rfind(name + "|", 0) == 0) lines.push_back(line);
            at = end + 1;
        }
        return lines;
    }

    // What a launcher shows, for a failure's message: each of its top-level
    // windows, a box's text, whether it has ended, and whether an eraser
    // (its mutex) is still there.
    static std::string WhatItShows(Child& launcher) {
        std::string seen;
        for (HWND w : uidriver::FindTopWindows({"", "", launcher.Pid()})) {
            char cls[64] = {};
            GetClassNameA(w, cls, sizeof cls);
            RECT r{};
            GetWindowRect(w, &r);
            seen += std::string(" [") + cls + " \"" + uidriver::TitleOf(w) + "\" visible " +
                    std::to_string(IsWindowVisible(w)) + " width " + std::to_string(r.right - r.left) + "]";
        }
        if (const auto box = uidriver::WaitForMessageBox("", launcher.Pid(), 0)) seen += " box \"" + box->text + "\"";
        DWORD code = 0;
        if (launcher.WaitExit(0, code)) seen += " ended with " + std::to_string(code);
        if (ProbeNamedMutex("QZDelvane", true) != kMutexFree) seen += " the eraser's mutex is held";
        return seen;
    }

    // The main dialog once the start sequence has shown it.
    static HWND WaitReady(const Child& launcher) {
        HWND found = nullptr;
        WaitUntil([&] {
            for (HWND w : uidriver::FindTopWindows({"#32770", "Dremlin", launcher.Pid()})) {
                RECT r;
                if (GetWindowRect(w, &r) && r.right - r.left > 0 && FindChild(w, IDC_BUTTON_RUN)) {
                    found = w;
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    static HWND FindChild(HWND w, int id) { return uidriver::FindChild(w, id); }

    TempDir logDir_;
    std::string log_;
};

// The launcher's main dialog: the top-level "Dremlin" dialog with the drive list and Run.
bool IsMainDialog(HWND w) {
    return w && uidriver::ClassOf(w) == "#32770" && uidriver::TitleOf(w) == "Dremlin" &&
           uidriver::FindChild(w, IDC_BUTTON_RUN) && uidriver::FindChild(w, IDC_COMBO_DRIVE);
}

// The icon static of a message box.
constexpr int kBoxIconId = 1088;

// The box shows the error icon: its icon static holds an icon, and once
// painted it is the red one (the warning icon is yellow, information and
// question blue, and a box without an icon has none).
bool ShowsErrorIcon(HWND box) {
    HWND icon = GetDlgItem(box, kBoxIconId);
    if (!icon || !IsWindowVisible(icon) || !SendMessageA(icon, STM_GETICON, 0, 0)) return false;
    return WaitUntil(
        [&] {
            std::vector<uint32_t> pixels;
            int width = 0, height = 0;
            if (!uidriver::CaptureWindow(icon, pixels, width, height)) return false;
            size_t red = 0;
            for (uint32_t p : pixels) {
                const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                if (r >= 150 && g <= 100 && b <= 100) ++red;
            }
            return red >= pixels.size() / 8;
        },
        10000);
}

// Every box of the launcher: caption "Dremlin", the error icon, owned by the
// main dialog (the given one, or any while it is still hidden).
void ExpectLauncherBox(const uidriver::MessageBoxSeen& box, HWND dialog) {
    EXPECT_EQ(box.title, "Dremlin");
    HWND owner = GetWindow(box.window, GW_OWNER);
    if (dialog) {
        EXPECT_EQ(owner, dialog) << "owned by the main dialog";
    } else {
        EXPECT_TRUE(IsMainDialog(owner)) << "owned by the main dialog";
    }
    EXPECT_TRUE(ShowsErrorIcon(box.window)) << "the error icon of box \"" << box.text << "\"";
}

// The loader's command line after its program path.
std::string ExpectedLoaderArguments(char drive, HWND dialog, const char* edition) {
    return std::string(" /D:") + drive + " /H:" + std::to_string(static_cast<int32_t>(reinterpret_cast<intptr_t>(dialog))) +
           " /A:" + edition;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST_F(Dremlin, RunStartsTheLoaderAndEndsOnItsHandOff) {
    REQUIRE_DISC();
    LauncherFolder folder(LauncherFolderOptions(103, true));
    ASSERT_TRUE(folder.ok());
    Child launcher(folder.Exe(), "");
    HWND dialog = WaitReady(launcher);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(uidriver::TextOf(FindChild(dialog, IDC_EDIT_COMMENT)), "M0 comment");
    EXPECT_EQ(uidriver::TextOf(FindChild(dialog, IDC_BUTTON_RUN)), "M1 Run");
    EXPECT_EQ(uidriver::TextOf(FindChild(dialog, IDC_COMBO_DRIVE)), std::string(1, DiscLetter()) + ":");
    CreateDirectoryA(BesideTest("screenshots").c_str(), nullptr);
    EXPECT_TRUE(uidriver::SaveWindowPng(dialog, BesideTest("screenshots\\dremlin_ready.png")));
    // The archives were extracted into the work folder.
    EXPECT_NE(GetFileAttributesA((WorkFolder() + "\\Skin\\Skin.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(uidriver::Click(FindChild(dialog, IDC_BUTTON_RUN)));
    DWORD code = 99;
    ASSERT_TRUE(launcher.WaitExit(kDeadlineMs, code)) << "the hand-off ends the launcher";
    EXPECT_EQ(code, 0u);
    const std::vector<std::string> loader = Calls(testing::kLoaderRecordName);
    ASSERT_EQ(loader.size(), 1u) << Log();
    EXPECT_TRUE(EndsWith(loader[0], ExpectedLoaderArguments(DiscLetter(), dialog, "ZEPQUA"))) << loader[0];
    EXPECT_NE(Lower(loader[0]).find(Lower(WorkFolder() + "\\LumarForUtil.exe")), std::string::npos) << loader[0];
    EXPECT_TRUE(Calls("Delvane").empty()) << "the loader owns the work folder now: " << Log();
    // The prefix's user is an administrator: the driver environment is not examined.
    EXPECT_TRUE(Calls("Kellmark").empty()) << Log();
}

// The whole start as a user meets it: the module archive holds the real
// loader with its libraries and the skin archive its skin. The sample disc's
// second session (the disc's session 3) opens first.
TEST_F(Dremlin, RunStartsTheRealLoaderWhichShowsTheDiscAndEndsTheLauncher) {
    REQUIRE_DISC();
    LauncherFolderOptions options;
    options.realLoader = true;
    LauncherFolder folder(options);
    ASSERT_TRUE(folder.ok());
    Child launcher(folder.Exe(), "");
    HWND dialog = WaitReady(launcher);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(uidriver::Click(FindChild(dialog, IDC_BUTTON_RUN)));

    HWND loader = uidriver::WaitForTopWindow({"TfrmMain", "", 0}, kDeadlineMs);
    ASSERT_TRUE(loader) << "the loader's window did not appear";
    DWORD loaderPid = 0;
    GetWindowThreadProcessId(loader, &loaderPid);
    Adopted loaderProcess(loaderPid);
    DWORD code = 99;
    ASSERT_TRUE(launcher.WaitExit(kDeadlineMs, code)) << "the loader's hand-off ends the launcher; windows:" << [] {
        std::string seen;
        for (HWND w : uidriver::FindTopWindows({"", "", 0}))
            seen += " [" + uidriver::ClassOf(w) + " '" + uidriver::TitleOf(w) + "' '" +
                    uidriver::TextOf(GetDlgItem(w, 0xFFFF)) + "']";
        return seen;
    }();
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(Calls("Delvane").empty()) << "the loader owns the work folder now: " << Log();
    // Started from the work folder, where its libraries were extracted.
    for (const char* file : {"LumarForUtil.exe", "Kabbit.dll", "Spurlane.dll", "Message.Ini", "skin\\Reader.arc"})
        EXPECT_NE(GetFileAttributesA((WorkFolder() + "\\" + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;

    HWND list = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        list = kb::loader::testing::SessionList(loader, 1002);
        return list && IsWindowVisible(list) && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0;
    })) << "the disc's sessions were not shown";
    EXPECT_EQ(uidriver::ListViewTexts(list), std::vector<std::string>{"only.txt"});
    EXPECT_TRUE(IsWindowVisible(FindChild(loader, 101)) && IsWindowVisible(FindChild(loader, 102)));
    EXPECT_FALSE(IsWindowVisible(FindChild(loader, 103))) << "two sessions, two tabs";
    const HWND quit = FindChild(loader, 10);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(quit) && IsWindowEnabled(loader); }));
    CreateDirectoryA(BesideTest("screenshots").c_str(), nullptr);
    EXPECT_TRUE(uidriver::SaveWindowPng(loader, BesideTest("screenshots\\dremlin_loader.png")));

    // Quit: the loader ends and leaves the work folder to the eraser.
    ASSERT_TRUE(uidriver::Click(quit));
    ASSERT_TRUE(loaderProcess.Exited(kDeadlineMs)) << "the loader did not end";
    ASSERT_TRUE(WaitUntil([&] { return !Calls("Delvane").empty(); })) << Log();
    const std::vector<std::string> eraser = Calls("Delvane");
    ASSERT_EQ(eraser.size(), 1u) << Log();
    EXPECT_NE(Lower(eraser[0]).find(Lower("/E:" + WorkFolder())), std::string::npos) << eraser[0];
    EXPECT_TRUE(EndsWith(eraser[0], "/W:4 /X:2")) << eraser[0];
}

// What Run leads to for a user who is not an administrator, on a disc that does
// not declare itself free of the driver check: the driver-install manager's
// answer decides. Without NetApi32.dll the launcher says so in a box of its
// own and takes the user for one who is not an administrator.
struct DriverCase {
    const char* name;
    const char* environment;  // the manager's CheckEnvironment answer
    enum Outcome { kLoaderStarts, kDownloadDialog, kMessage12 } outcome;
};

class DriverChecks : public Dremlin, public ::testing::WithParamInterface<DriverCase> {
protected:
    void TearDown() override {
        SetEnvironmentVariableA("KB_KELLMARK_ENVIRONMENT", nullptr);
        Dremlin::TearDown();
    }
};

TEST_P(DriverChecks, TheManagerGetsItsRequestAndItsAnswerDecides) {
    REQUIRE_DISC();
    const DriverCase& c = GetParam();
    SetEnvironmentVariableA("KB_KELLMARK_ENVIRONMENT", c.environment);
    AppDefault noNetApi("DllOverrides", "netapi32", "");
    ASSERT_TRUE(noNetApi.ok());
    LauncherFolder folder(LauncherFolderOptions(103, true));
    ASSERT_TRUE(folder.ok());
    Child launcher(folder.Exe(), "");
    HWND dialog = WaitReady(launcher);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(uidriver::Click(FindChild(dialog, IDC_BUTTON_RUN)));

    const auto netApi = uidriver::WaitForMessageBox("", launcher.Pid(), kDeadlineMs);
    ASSERT_TRUE(netApi.has_value());
    EXPECT_EQ(netApi->title, "");
    EXPECT_EQ(netApi->text, "NetApi32.dll not found.");
    EXPECT_EQ(GetWindow(netApi->window, GW_OWNER), nullptr) << "the one box without an owner";
    EXPECT_FALSE(ShowsErrorIcon(netApi->window)) << "and without an icon";
    uidriver::AnswerMessageBox(netApi->window, IDOK);

    if (c.outcome == DriverCase::kLoaderStarts) {
        DWORD code = 99;
        ASSERT_TRUE(launcher.WaitExit(kDeadlineMs, code)) << "the hand-off ends the launcher";
        EXPECT_EQ(Calls(testing::kLoaderRecordName).size(), 1u) << Log();
    } else if (c.outcome == DriverCase::kDownloadDialog) {
        HWND download = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            for (HWND w : uidriver::FindTopWindows({"#32770", "Dremlin", launcher.Pid()}))
                if (FindChild(w, IDC_STATIC_LINK)) download = w;
            return download != nullptr;
        }));
        EXPECT_EQ(GetWindow(download, GW_OWNER), dialog);
        EXPECT_EQ(uidriver::TextOf(FindChild(download, IDC_EDIT_DRIVER_TEXT)), "M13");
        // The link paints its address and takes the size of it.
        HWND link = FindChild(download, IDC_STATIC_LINK);
        const SIZE extent = testing::LinkTextExtent("M14");
        EXPECT_TRUE(WaitUntil([&] {
            RECT r{};
            GetWindowRect(link, &r);
            return r.right - r.left == extent.cx && r.bottom - r.top == extent.cy;
        })) << "the link does not show M14";
        CreateDirectoryA(BesideTest("screenshots").c_str(), nullptr);
        EXPECT_TRUE(uidriver::SaveWindowPng(
            download, BesideTest(std::string("screenshots\\dremlin_driver_download_") + c.environment + ".png")));
        uidriver::AnswerMessageBox(download, IDOK);
    } else {
        const auto box = uidriver::WaitForMessageBox("Dremlin", launcher.Pid(), kDeadlineMs);
        ASSERT_TRUE(box.has_value()) << "the launcher shows:" << WhatItShows(launcher);
        EXPECT_EQ(box->text, "M12");
        ExpectLauncherBox(*box, dialog);
        uidriver::AnswerMessageBox(box->window, IDOK);
    }
    if (c.outcome != DriverCase::kLoaderStarts) {
        // Back to Ready, nothing started.
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(FindChild(dialog, IDC_BUTTON_RUN)) != FALSE; }));
        EXPECT_TRUE(IsWindowEnabled(FindChild(dialog, IDC_COMBO_DRIVE)));
        EXPECT_TRUE(Calls(testing::kLoaderRecordName).empty()) << Log();
    }
    // One request: the actions first, then the record with the launcher's own
    // path and the manager's settings file in the work folder.
    const std::vector<std::string> kellmark = Calls("Kellmark");
    ASSERT_EQ(kellmark.size(), 2u) << Log();
    EXPECT_EQ(kellmark[0], "Kellmark|SetActions|33");
    EXPECT_EQ(Lower(kellmark[1]),
              Lower("Kellmark|CheckEnvironment|0|" + folder.Exe() + "|" + WorkFolder() + "\\Kellmark.ini"));
    EXPECT_TRUE(Calls("Delvane").empty()) << Log();
}

INSTANTIATE_TEST_SUITE_P(
    Table, DriverChecks,
    ::testing::Values(DriverCase{"Ready", "1", DriverCase::kLoaderStarts},
                      DriverCase{"DriverNeeded9", "9", DriverCase::kDownloadDialog},
                      DriverCase{"DriverNeeded10", "10", DriverCase::kDownloadDialog},
                      DriverCase{"Failed0", "0", DriverCase::kMessage12},
                      DriverCase{"Failed2", "2", DriverCase::kMessage12}),
    [](const ::testing::TestParamInfo<DriverCase>& info) { return std::string(info.param.name); });

struct StartFailure {
    const char* name;
    int targetApp;
    const char* appVersion;        // the prefix's Windows version for Dremlin.exe; null: its own
    std::vector<HolderSpec> holders;
    const char* message;
};

class StartFailures : public Dremlin, public ::testing::WithParamInterface<StartFailure> {};

TEST_P(StartFailures, OneMessageOverTheSplashThenTheEndWithoutEraser) {
    const StartFailure& c = GetParam();
    const bool noDriveRow = std::string(c.message) == "M5";
    if (noDriveRow && DiscLetter()) GTEST_SKIP() << "needs a prefix without a CD-ROM drive";
    if (noDriveRow) {
        ASSERT_EQ(CdRomLetters(), "") << "the prefix has CD-ROM drives";
    } else {
        REQUIRE_DISC();
    }
    LauncherFolder folder(LauncherFolderOptions(c.targetApp, true));
    ASSERT_TRUE(folder.ok());
    std::unique_ptr<AppDefault> version;
    if (c.appVersion) {
        version = std::make_unique<AppDefault>("", "Version", c.appVersion);
        ASSERT_TRUE(version->ok());
    }
    std::vector<std::unique_ptr<Child>> holders;
    for (const HolderSpec& spec : c.holders) {
        holders.push_back(std::make_unique<Child>(BesideTest("standins\\holder\\holder.exe"), testing::HolderArguments(spec)));
        ASSERT_TRUE(testing::WaitForMutexes(spec.mutexes));
        ASSERT_TRUE(testing::WaitForHolderWindow(spec, holders.back()->Pid()));
    }
    // The box comes after whatever the launcher itself waits for first: the
    // bound is that wait plus the one every other step is given.
    const DWORD ownWaitMs = std::string(c.message) == "M11" ? DWORD{kEraserProbes} * kEraserPauseMs : 0;
    Child launcher(folder.Exe(), "");
    const auto box = uidriver::WaitForMessageBox("Dremlin", launcher.Pid(), kDeadlineMs + ownWaitMs);
    ASSERT_TRUE(box.has_value()) << "the launcher shows:" << WhatItShows(launcher);
    EXPECT_EQ(box->text, c.message);
    ExpectLauncherBox(*box, nullptr);
    CreateDirectoryA(BesideTest("screenshots").c_str(), nullptr);
    EXPECT_TRUE(uidriver::SaveWindowPng(box->window, BesideTest(std::string("screenshots\\dremlin_box_") + c.name + ".png")));
    HWND owner = GetWindow(box->window, GW_OWNER);
    ASSERT_TRUE(owner);
    RECT r{};
    GetWindowRect(owner, &r);
    EXPECT_EQ(r.right - r.left, 0) << "the dialog is never seen before the start has succeeded";
    uidriver::AnswerMessageBox(box->window, IDOK);
    DWORD code = 99;
    ASSERT_TRUE(launcher.WaitExit(kDeadlineMs, code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(Calls("Delvane").empty()) << Log();
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
    Table, StartFailures,
    ::testing::Values(StartFailure{"NoCdRomDrive", 103, nullptr, {}, "M5"},
                      StartFailure{"WindowsXp", 103, "winxp", {}, "M2"},
                      StartFailure{"WriterBesideSolmir", 101, nullptr,
                                   {Family("TARVEL_WIN_WRITER", "TApplication", "Scrivane")}, "M3 SOLMIR"},
                      StartFailure{"SelectorBesideCryvane", 102, nullptr,
                                   {Family("TARVEL_WIN_SELECTOR", "TApplication", "Welcome")}, "M3 Cryvane"},
                      StartFailure{"BadTargetApp", 99, nullptr, {}, "M9"},
                      // The launcher-family mutexes are probed as programs before
                      // they are held, under the same global name: another
                      // launcher holding them is reported as a running program.
                      StartFailure{"LauncherFamilyBesideSolmir", 101, nullptr,
                                   {Family("QZOstrevan", "CQZApplication", "QZLauncher")}, "M3 SOLMIR"},
                      // The eraser still running after its twenty probes (about 40 s).
                      StartFailure{"EraserKeepsRunning", 103, nullptr,
                                   {Family("QZDelvane", "CQZApplication", "QZEraser")}, "M11"}),
    [](const ::testing::TestParamInfo<StartFailure>& info) { return std::string(info.param.name); });

TEST_F(Dremlin, AFailedStartLeavesReadyWithTheEditionMutexHeldAgain) {
    REQUIRE_DISC();
    // The loader of the second Run does not report: the test looks at the
    // mutexes while the launcher waits, then reports in its place.
    SetEnvironmentVariableA("KB_STANDIN_SILENT", testing::kLoaderRecordName);
    LauncherFolder folder(LauncherFolderOptions(103, false));
    ASSERT_TRUE(folder.ok());
    Child launcher(folder.Exe(), "");
    HWND dialog = WaitReady(launcher);
    ASSERT_TRUE(dialog);
    ASSERT_EQ(ProbeNamedMutex("TARVEL_WIN_WRITER", true), kMutexTaken);
    ASSERT_TRUE(uidriver::Click(FindChild(dialog, IDC_BUTTON_RUN)));
    const auto box = uidriver::WaitForMessageBox("Dremlin", launcher.Pid(), kDeadlineMs);
    ASSERT_TRUE(box.has_value()) << "the launcher shows:" << WhatItShows(launcher);
    EXPECT_EQ(box->text, "M10");
    ExpectLauncherBox(*box, dialog);
    uidriver::AnswerMessageBox(box->window, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(FindChild(dialog, IDC_BUTTON_RUN)) != FALSE; }));
    EXPECT_TRUE(IsWindowEnabled(FindChild(dialog, IDC_COMBO_DRIVE)));
    EXPECT_EQ(ProbeNamedMutex("TARVEL_WIN_WRITER", true), kMutexTaken) << "held again";

    // The loader is there now: Run works a second time.
    ASSERT_TRUE(CopyFileA(BesideTest(testing::kLoaderFile).c_str(), (WorkFolder() + "\\LumarForUtil.exe").c_str(), FALSE));
    ASSERT_TRUE(uidriver::Click(FindChild(dialog, IDC_BUTTON_RUN)));
    ASSERT_TRUE(WaitUntil([&] { return !Calls(testing::kLoaderRecordName).empty(); })) << Log();
    // The edition mutex was let go before the loader started, and the launcher
    // keeps no second handle of it from the failed start: nobody holds it now.
    HANDLE edition = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\TARVEL_WIN_WRITER");
    EXPECT_EQ(edition, nullptr) << "a handle of the edition mutex is still open";
    if (edition) CloseHandle(edition);
    // The launcher-family mutexes stay held while it waits.
    EXPECT_EQ(ProbeNamedMutex("QZOstrevan", true), kMutexTaken);
    PostMessageA(dialog, 0x1403, 0, 0);
    DWORD code = 99;
    ASSERT_TRUE(launcher.WaitExit(kDeadlineMs, code));
    EXPECT_EQ(Calls(testing::kLoaderRecordName).size(), 1u) << Log();
    EXPECT_TRUE(Calls("Delvane").empty()) << Log();
}

TEST_F(Dremlin, AnEraserStillRunningIsWaitedForUntilItEnds) {
    REQUIRE_DISC();
    LauncherFolder folder(LauncherFolderOptions(103, true));
    ASSERT_TRUE(folder.ok());
    const HolderSpec spec = Family("QZDelvane", "CQZApplication", "QZEraser");
    Child eraser(BesideTest("standins\\holder\\holder.exe"), testing::HolderArguments(spec));
    ASSERT_TRUE(testing::WaitForMutexes(spec.mutexes));
    HWND window = testing::WaitForHolderWindow(spec, eraser.Pid());
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
    const ULONGLONG started = GetTickCount64();
    Child launcher(folder.Exe(), "");
    // Each probe that finds the eraser brings its window forward, restored:
    // twice, the second after the launcher's pause.
    for (int probe = 0; probe < 2; ++probe) {
        ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) == FALSE; })) << "probe " << probe;
        // Asked, not sent: a sent ShowWindow waits for the holder, which waits
        // in turn for the launcher's thread while that sleeps between probes,
        // and under load those waits outlasted the launcher's whole wait.
        ShowWindowAsync(window, SW_MINIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; })) << "minimised again after probe " << probe;
    }
    // Still waiting: no box, and the dialog not shown.
    EXPECT_FALSE(uidriver::WaitForMessageBox("", launcher.Pid(), 0).has_value());
    for (HWND w : uidriver::FindTopWindows({"#32770", "Dremlin", launcher.Pid()})) {
        RECT r{};
        GetWindowRect(w, &r);
        EXPECT_FALSE(FindChild(w, IDC_BUTTON_RUN) && r.right - r.left > 0) << "shown while the eraser runs";
    }
    const ULONGLONG ending = GetTickCount64();
    eraser.End();
    const ULONGLONG ended = GetTickCount64();
    HWND dialog = WaitReady(launcher);
    ASSERT_TRUE(dialog) << "the start goes on once the eraser has ended (ended " << (ending - started)
                        << " ms after the launcher's start, in " << (ended - ending)
                        << " ms); the launcher shows:" << WhatItShows(launcher);
    EXPECT_FALSE(uidriver::WaitForMessageBox("", launcher.Pid(), 0).has_value());
    EXPECT_TRUE(Calls("Delvane").empty()) << Log();
}

TEST_F(Dremlin, ALoaderThatNeverReportsGivesMessage10AfterThirtySecondsAndTheEraser) {
    REQUIRE_DISC();
    SetEnvironmentVariableA("KB_STANDIN_SILENT", testing::kLoaderRecordName);
    LauncherFolder folder(LauncherFolderOptions(103, true));
    ASSERT_TRUE(folder.ok());
    Child launcher(folder.Exe(), "");
    HWND dialog = WaitReady(launcher);
    ASSERT_TRUE(dialog);
    const ULONGLONG clicked = GetTickCount64();
    ASSERT_TRUE(uidriver::Click(FindChild(dialog, IDC_BUTTON_RUN)));
    const auto box = uidriver::WaitForMessageBox("Dremlin", launcher.Pid(), kDeadlineMs);
    ASSERT_TRUE(box.has_value()) << "the launcher shows:" << WhatItShows(launcher);
    EXPECT_GE(GetTickCount64() - clicked, 29000u);
    EXPECT_EQ(box->text, "M10");
    ExpectLauncherBox(*box, dialog);
    EXPECT_EQ(Calls(testing::kLoaderRecordName).size(), 1u);
    // A hand-off after the timeout is not honoured: the box stays.
    PostMessageA(dialog, 0x1403, 0, 0);
    uidriver::AnswerMessageBox(box->window, IDOK);
    DWORD code = 99;
    ASSERT_TRUE(launcher.WaitExit(kDeadlineMs, code));
    ASSERT_TRUE(WaitUntil([&] { return !Calls("Delvane").empty(); }));
    const std::vector<std::string> eraser = Calls("Delvane");
    ASSERT_EQ(eraser.size(), 1u);
    EXPECT_TRUE(EndsWith(eraser[0], " /W:4 /X:2 /E:" + WorkFolder())) << eraser[0];
    EXPECT_NE(Lower(eraser[0]).find(Lower(WorkFolder() + "\\Delvane.exe")), std::string::npos) << eraser[0];
}

TEST_F(Dremlin, EscapeAndEnterDoNothingWhenReady) {
    REQUIRE_DISC();
    LauncherFolder folder(LauncherFolderOptions(103, true));
    ASSERT_TRUE(folder.ok());
    Child launcher(folder.Exe(), "");
    HWND dialog = WaitReady(launcher);
    ASSERT_TRUE(dialog);
    HWND focus = FindChild(dialog, IDC_BUTTON_RUN);
    testing::PressKey(focus, VK_ESCAPE);
    testing::PressKey(focus, VK_RETURN);
    testing::PressKey(dialog, VK_ESCAPE);
    // Idle once the keys have been handled.
    ASSERT_EQ(WaitForInputIdle(launcher.Process(), kDeadlineMs), 0u);
    DWORD code = 0;
    EXPECT_FALSE(launcher.WaitExit(0, code));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(Calls(testing::kLoaderRecordName).empty()) << Log();
    EXPECT_TRUE(IsWindowEnabled(focus));
}

TEST_F(Dremlin, ASecondLauncherEndsSilentlyAndClosingTheFirstStartsTheEraser) {
    REQUIRE_DISC();
    LauncherFolder folder(LauncherFolderOptions(103, true));
    ASSERT_TRUE(folder.ok());
    Child first(folder.Exe(), "");
    HWND dialog = WaitReady(first);
    ASSERT_TRUE(dialog);
    Child second(folder.Exe(), "");
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(kDeadlineMs, code)) << "a message box would keep it running";
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(first.WaitExit(0, code));

    ASSERT_TRUE(uidriver::AskToClose(dialog));
    ASSERT_TRUE(first.WaitExit(kDeadlineMs, code));
    ASSERT_TRUE(WaitUntil([&] { return !Calls("Delvane").empty(); }));
    EXPECT_TRUE(EndsWith(Calls("Delvane")[0], " /W:4 /X:2 /E:" + WorkFolder()));
}

}  // namespace
}  // namespace kb::launcher
