// The whole chain as a disc's user meets it, driven from outside: the demo
// disc (disc_builder's "demo" layout) is in the CD-ROM drive named by
// KB_CDROM_LETTER, its folder (Unix path) in KB_DEMO_DISC. Run with
// "--prepare-disc" before the disc is mapped, this program puts the launcher
// folder (which holds the built programs) on the disc; run then, it starts
// Dremlin.exe as autorun would,
// presses Run, and in the loader opens the second session, selects its
// entries and exports them with the disc password into a folder that already
// holds one of them, answering the overwrite question. It checks every
// exported byte against the disc's sources, keeps a PNG of each step in the
// output folder (KB_DEMO_OUT, Unix path; default "demo" beside the program)
// and prints a short report. Exit code 0 when every step passed.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ach_writer.h"
#include "launcher/splash.h"
#include "launcher/tests/dremlin_fixture_win.h"
#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/resource.h"
#include "launcher/win/settings_win.h"
#include "launcher/win/work_folder_win.h"
#include "loader/app/tests/loader_folder_win.h"
#include "loader/skin/tests/skin_fixture_win.h"
#include "shared/base/strutils.h"
#include "testing/builders/demo_skin_win.h"
#include "testing/builders/disc_builder.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace {

namespace ui = kb::uidriver;
namespace disc = kb::testing::disc;
using kb::launcher::testing::Adopted;
using kb::launcher::testing::Child;
using kb::launcher::testing::kDeadlineMs;
using kb::launcher::testing::WaitUntil;

// The loader's session lists and tabs: the disc's first and second session.
constexpr int kListOfSession1 = 1001, kListOfSession2 = 1002;
constexpr int kTabOfSession1 = 101, kTabOfSession2 = 102;
constexpr int kButtonQuit = 10, kButtonExport = 11;
constexpr int kPasswordOk = 20, kOverwriteYes = 40, kOverwriteYesLast = 44, kMessageOk = 200;

constexpr char kSettings[] =
    "[Initial]\r\nTargetApp=103\r\nMsgForPrepare=Preparing the harbour guide...\r\n"
    "FailToSplash=The splash window could not be shown.\r\n"
    "[SplashWindow]\r\nWidth=400\r\nHeight=240\r\nBmpFile=Splash.bmp\r\nStrLeft=24\r\nStrTop=196\r\n"
    "StrColor=16777215\r\nStrSize=11\r\n"
    "[Font]\r\nCharSet=ANSI_CHARSET\r\nFaceName=Tahoma\r\n"
    "[Dialog]\r\nComment=Choose the drive that holds the harbour guide disc, then press Run.\r\n"
    "ButtonTitle=Run\r\n"
    "[Message]\r\nInvalidOs=This Windows version is not supported.\r\nAppRunning=%s is running. Close it first.\r\n"
    "FailMutex=The launcher could not start.\r\nNoCdRomDrive=No CD-ROM drive was found.\r\n"
    "NoDiscInserted=Insert the disc.\r\nInvalidDisc=This is not a disc for %s.\r\n"
    "NoDataWritten=The disc for %s holds no data.\r\nFailToRetrieveSkin=The program files could not be prepared.\r\n"
    "FailToRunApp=The reader could not be started.\r\nEreserRunning=A clean-up is still running.\r\n"
    "FailDriverCheck=The driver check failed.\r\nNeedDriverInstall=A driver must be installed.\r\n"
    "DownloadSiteUrl=http://localhost/\r\nWaitingAppRun=Starting the reader...\r\n";

// The loader's texts the demo's steps show; quoted where they begin with a
// blank, which the profile reading would otherwise drop.
const std::map<int, std::string> kLoaderTexts = {
    {10, "Opening the session..."},
    {11, "Preparing the export..."},
    {202, "Selected: under 10 KB"},
    {203, "Selected: %.1f MB"},
    {301, "Overwrite?"},
    {302, "Password"},
    {303, "The password is wrong."},
    {304, "Exporting"},
    {800, "Too many wrong passwords."},
    {900, "\" (folder)\""},
    {903, "\" is being exported...\""},
    {905, "\" is being written...\""},
    {907, "Finished."},
    {908, "The export has finished."},
    {912, "The selected files will be exported. The disc password is asked first."},
};

std::string Env(const char* name) {
    char value[1024] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

std::string WindowsPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

// The splash picture: a sea-blue gradient with a lighter horizon band.
std::string SplashBitmap() {
    return kb::loader::testing::Bmp24(400, 240, [](int x, int y) -> uint32_t {
        const uint32_t band = y > 150 && y < 160 ? 0x60 : 0;
        const uint32_t r = 0x10 + band, g = 0x40 + y / 3 + band, b = 0x80 + x / 4;
        return (r << 16) | (g << 8) | (b > 0xFF ? 0xFF : b);
    });
}

// A folder with every folder above it that is missing.
void MakeFolders(const std::string& folder) {
    for (size_t at = folder.find('\\', 3); at != std::string::npos; at = folder.find('\\', at + 1))
        CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
}

class Failure {
public:
    explicit Failure(std::string what) : what_(std::move(what)) {}
    const std::string& what() const { return what_; }

private:
    std::string what_;
};

// Text of the ANSI code page as the terminal shows it: converted to UTF-8
// when the terminal's locale is a UTF-8 one (the names on disc keep their bytes).
std::string ForTerminal(const std::string& text) {
    std::string locale = Env("LC_ALL");
    if (locale.empty()) locale = Env("LC_CTYPE");
    if (locale.empty()) locale = Env("LANG");
    for (char& c : locale) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (locale.find("utf-8") == std::string::npos && locale.find("utf8") == std::string::npos) return text;
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return text;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return text;
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}

void Say(const std::string& text) { std::printf("%s\n", ForTerminal(text).c_str()); }

// One step of the run: printed when it begins; its check failing ends the run.
void Step(const std::string& text) { Say("demo: " + text); }
void Check(bool ok, const std::string& what) {
    if (!ok) throw Failure(what);
}

// The first visible top-level window of pid whose class is windowClass and
// that holds a child with id (0: any).
HWND WaitForWindow(const char* windowClass, DWORD pid, int childId, DWORD ms = kDeadlineMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : ui::FindTopWindows({windowClass, "", pid})) {
                RECT r{};
                if (GetWindowRect(w, &r) && r.right > r.left && (!childId || ui::FindChild(w, childId))) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

BOOL CALLBACK FindVisibleEdit(HWND child, LPARAM out) {
    if (ui::ClassOf(child) != "Edit" || !IsWindowVisible(child)) return TRUE;
    *reinterpret_cast<HWND*>(out) = child;
    return FALSE;
}

template <class Callback>
HWND ChildWhere(HWND parent, Callback callback) {
    HWND found = nullptr;
    EnumChildWindows(parent, callback, reinterpret_cast<LPARAM>(&found));
    return found;
}

// True once some pixel of window, as the screen shows it, passes test: the
// window has painted what the test looks for.
template <class Test>
bool ShowsPixel(HWND window, Test test) {
    return WaitUntil([&] {
        std::vector<uint32_t> pixels;
        int width = 0, height = 0;
        if (!ui::CaptureWindow(window, pixels, width, height)) return false;
        return std::any_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return test(p & 0xFFFFFF); });
    });
}

// True when the caption of list's row is drawn with real glyphs: a glyph the
// fonts lack is a hollow box, whose middle rows hold only its thin sides,
// while these characters have horizontal strokes there.
bool RowShowsGlyphs(HWND list, int row) {
    RECT label{};
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    if (!ui::ListRowLabelRect(list, row, label) || !ui::CaptureWindow(list, pixels, width, height)) return false;
    label.left = std::max<LONG>(label.left, 0);
    label.top = std::max<LONG>(label.top, 0);
    label.right = std::min<LONG>(label.right, width);
    label.bottom = std::min<LONG>(label.bottom, height);
    if (label.right - label.left < 4 || label.bottom - label.top < 4) return false;
    const auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; };
    const uint32_t paper = at(label.right - 1, label.top);
    const auto ink = [&](int x, int y) {
        const uint32_t p = at(x, y);
        int d = 0;
        for (int shift = 0; shift <= 16; shift += 8)
            d += std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((paper >> shift) & 0xFF));
        return d > 240;
    };
    int top = -1, bottom = -1;
    for (int y = label.top; y < label.bottom; ++y)
        for (int x = label.left; x < label.right; ++x)
            if (ink(x, y)) {
                if (top < 0) top = y;
                bottom = y;
            }
    if (top < 0 || bottom - top < 6) return false;
    const int band = (bottom - top + 1) / 4;
    int longest = 0;
    for (int y = top + band; y <= bottom - band; ++y)
        for (int x = label.left, run = 0; x < label.right; ++x) {
            run = ink(x, y) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    return longest >= 4;
}

bool Dark(uint32_t rgb) { return ((rgb >> 16) & 0xFF) < 0x40 && ((rgb >> 8) & 0xFF) < 0x40 && (rgb & 0xFF) < 0x40; }

class Demo {
public:
    int Run();
    int Prepare();

private:
    void Shot(HWND window, const char* name) {
        const std::string path = out_ + "\\" + name;
        // The window may still be painting its first frame.
        Check(WaitUntil([&] { return ui::SaveWindowPng(window, path); }, 10000), std::string("screenshot ") + name);
        shots_.push_back(name);
    }
    std::string Log() const {
        std::string text;
        kb::testing::ReadWholeFile(out_ + "\\programs.log", text);
        return text;
    }
    void ShotOfProgress(HWND progress);
    void PrepareDisc();
    HWND RunLauncher();
    void OpenSecondSession(HWND loader);
    double Export(HWND loader);
    void CheckExport();

    std::string disc_, out_, destination_;
    char drive_ = 0;
    DWORD loaderPid_ = 0;
    std::unique_ptr<Child> launcher_;
    std::unique_ptr<Adopted> loader_;
    std::vector<std::string> shots_;
    std::vector<std::string> report_;
    std::vector<std::string> selected_;
};

void Demo::PrepareDisc() {
    Step("writing the launcher folder onto the disc (Dremlin.ini, the module archive with the real loader, skins, splash)");
    CreateDirectoryA((disc_ + "\\Launcher").c_str(), nullptr);
    CreateDirectoryA((disc_ + "\\Launcher\\Default").c_str(), nullptr);
    kb::launcher::testing::LauncherFolderOptions options;
    options.realLoader = true;
    options.at = disc_ + "\\Launcher";
    options.settings = kSettings;
    options.splashBmp = SplashBitmap();
    options.loaderTexts = kLoaderTexts;
    // The disc's own skin, drawn for it, with an edit tall enough for its font.
    kb::testing::TempDir skin;
    const std::string skinStage = skin.path() + "\\stage";
    Check(CreateDirectoryA(skinStage.c_str(), nullptr) && disc::WriteDemoSkin(skin.path(), skinStage),
          "the demo skin could not be written");
    options.skinFolder = skin.path();
    options.messageIniTail = "[Controls]\r\nEditHeight=18\r\n";
    kb::launcher::testing::LauncherFolder folder(options);
    Check(folder.ok(), "the launcher folder could not be written");
    // The edition's splash archive, which the disc check looks for.
    const std::string splash = out_ + "\\Splash.bmp";
    Check(kb::testing::WriteWholeFile(splash, options.splashBmp) &&
              ark::CreateArchive(disc_ + "\\Launcher\\Default\\Splash.arc", 1) == 0 &&
              ark::AddEntry(disc_ + "\\Launcher\\Default\\Splash.arc", splash, "Splash.bmp") == 0,
          "the splash archive could not be written");
    DeleteFileA(splash.c_str());
    Check(kb::testing::WriteWholeFile(disc_ + "\\autorun.inf", "[autorun]\r\nopen=Launcher\\Dremlin.exe\r\n"),
          "autorun.inf could not be written");
}

// The progress window's picture while an entry is on its way: the entry's
// name in the text and the bar between 1 and 99 %, before any question covers it.
void Demo::ShotOfProgress(HWND progress) {
    const HWND text = ui::FindChildOfClass(progress, "Edit");
    Check(text != nullptr, "the progress window has no text");
    const auto naming = [&](const std::string& t) {
        for (const char* suffix : {" is being exported...", " is being written..."}) {
            const size_t at = t.find(suffix);
            if (at != std::string::npos && at > 0) return true;
        }
        return false;
    };
    const auto asked = [&] { return !ui::FindTopWindows({"TfrmOverWrite", "", loaderPid_}).empty(); };
    const std::string path = out_ + "\\5-progress.png";
    std::vector<uint32_t> last;
    int lastWidth = 0, lastHeight = 0;
    const bool shown = WaitUntil(
              [&] {
                  const std::string before = ui::TextOf(text);
                  if (!naming(before) || asked()) return false;
                  std::vector<uint32_t> pixels;
                  int width = 0, height = 0;
                  if (!ui::CaptureWindow(progress, pixels, width, height) ||
                      width < disc::kDemoBarLeft + disc::kDemoBarWidth || height <= disc::kDemoBarTop)
                      return false;
                  last = pixels;
                  lastWidth = width;
                  lastHeight = height;
                  int filled = 0;
                  for (int x = disc::kDemoBarLeft; x < disc::kDemoBarLeft + disc::kDemoBarWidth; ++x)
                      if ((pixels[static_cast<size_t>(disc::kDemoBarTop) * width + x] & 0xFFFFFF) == disc::kDemoBarRgb)
                          ++filled;
                  if (filled == 0 || filled >= disc::kDemoBarWidth) return false;
                  if (ui::TextOf(text) != before || asked()) return false;
                  return ui::WritePng(path, pixels, width, height);
              },
              kDeadlineMs);
    // What it showed last tells why.
    if (!shown && !last.empty()) ui::WritePng(out_ + "\\5-progress-missed.png", last, lastWidth, lastHeight);
    Check(shown, "the progress window never showed an entry on its way between 1 and 99 %");
    shots_.push_back("5-progress.png");
}

HWND Demo::RunLauncher() {
    const std::string root = std::string(1, drive_) + ":\\";
    char open[MAX_PATH] = {};
    GetPrivateProfileStringA("autorun", "open", "", open, sizeof open, (root + "autorun.inf").c_str());
    Check(open[0] != 0, "the disc's autorun.inf names no program");
    Step("starting " + root + open + " from the disc, as autorun does");
    launcher_ = std::make_unique<Child>(root + open, "");
    Check(launcher_->Started(), "Dremlin.exe did not start");
    const DWORD pid = launcher_->Pid();

    const HWND splash = ui::WaitForTopWindow({"", kb::launcher::kSplashTitle, pid}, kDeadlineMs);
    Check(splash != nullptr, "the splash window did not appear");
    // Its picture is laid out a moment after it shows.
    Check(WaitUntil([&] {
              std::vector<uint32_t> pixels;
              int width = 0, height = 0;
              if (!ui::CaptureWindow(splash, pixels, width, height) || width < 200 || height < 100) return false;
              const uint32_t p = pixels[static_cast<size_t>(100) * width + 200];
              return ((p >> 16) & 0xFF) < 0x40 && (p & 0xFF) >= 0x80;
          }),
          "the splash window did not show its picture");
    Shot(splash, "1-splash.png");

    Step("the launcher prepares the work folder and shows its dialog");
    const HWND dialog = WaitForWindow("#32770", pid, IDC_BUTTON_RUN);
    Check(dialog != nullptr, "the launcher's dialog did not appear");
    Check(WaitUntil([&] { return ui::TextOf(ui::FindChild(dialog, IDC_COMBO_DRIVE)) == root.substr(0, 2); }),
          "the launcher does not list drive " + root.substr(0, 2));
    Check(ShowsPixel(ui::FindChild(dialog, IDC_BUTTON_RUN), Dark), "the launcher's dialog was not painted");
    Shot(dialog, "2-launcher.png");

    Step("Run");
    Check(ui::Click(ui::FindChild(dialog, IDC_BUTTON_RUN)), "Run could not be pressed");
    const HWND loader = WaitForWindow("TfrmMain", 0, kButtonQuit);
    Check(loader != nullptr, "the loader's window did not appear");
    GetWindowThreadProcessId(loader, &loaderPid_);
    loader_ = std::make_unique<Adopted>(loaderPid_);
    DWORD code = 99;
    Check(launcher_->WaitExit(kDeadlineMs, code) && code == 0, "the launcher did not end on the loader's hand-off");
    return loader;
}

void Demo::OpenSecondSession(HWND loader) {
    Step("the loader shows the disc's sessions; the first session's tab, then the second's");
    auto shown = [&](int id) {
        const HWND list = kb::loader::testing::SessionList(loader, id);
        return list && IsWindowVisible(list) && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0 ? list : nullptr;
    };
    Check(WaitUntil([&] { return shown(kListOfSession2) != nullptr && IsWindowEnabled(loader); }),
          "the disc's sessions were not shown");
    Check(ui::Click(ui::FindChild(loader, kTabOfSession1)), "the first session's tab could not be pressed");
    Check(WaitUntil([&] { return shown(kListOfSession1) != nullptr && IsWindowEnabled(loader); }),
          "the first session was not shown");
    Check(ui::Click(ui::FindChild(loader, kTabOfSession2)), "the second session's tab could not be pressed");
    HWND list = nullptr;
    Check(WaitUntil([&] { return (list = shown(kListOfSession2)) != nullptr && IsWindowEnabled(loader); }),
          "the second session was not shown");

    // The OEM edition's list may show a folder twice more: under its own row
    // ("Photos\\") and once more where the sorted rows split its group. A user
    // picks each name once.
    const std::vector<std::string> rows = ui::ListViewTexts(list);
    std::vector<int> picks;
    for (size_t row = 0; row < rows.size(); ++row) {
        const std::string& name = rows[row];
        if (name.empty() || name.back() == '\\' ||
            std::find(selected_.begin(), selected_.end(), name) != selected_.end())
            continue;
        selected_.push_back(name);
        picks.push_back(static_cast<int>(row));
    }
    for (size_t row = 0; row < rows.size(); ++row)
        if (!rows[row].empty() && IsDBCSLeadByte(static_cast<BYTE>(rows[row][0]))) {
            Step("the double-byte name \"" + rows[row] + "\" is drawn with a Japanese font");
            Check(WaitUntil([&] { return RowShowsGlyphs(list, static_cast<int>(row)); }, 10000),
                  "the double-byte name \"" + rows[row] + "\" is drawn as boxes: no Japanese font");
        }
    std::string names;
    for (const std::string& name : selected_) names += " \"" + name + "\"";
    Step("selecting " + std::to_string(selected_.size()) + " entries of the second session:" + names);
    for (size_t i = 0; i < picks.size(); ++i)
        Check(ui::ClickListRow(list, picks[i], i > 0), "row " + std::to_string(picks[i]) + " was not clicked");
    Check(WaitUntil([&] { return SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == static_cast<LRESULT>(picks.size()); }),
          "the entries were not selected");
    Shot(loader, "3-loader.png");
}

double Demo::Export(HWND loader) {
    // The destination already holds one of the files: the loader asks before it replaces it.
    destination_ = kb::launcher::GetTempFolder() + "HarbourGuideExport";
    kb::launcher::DeleteFolderTree(destination_);
    Check(CreateDirectoryA(destination_.c_str(), nullptr), "the destination could not be made");
    Check(kb::testing::WriteWholeFile(destination_ + "\\Tide table.txt", "an old copy\r\n"),
          "the destination's old file could not be written");

    Step("Export: the loader's notice, then the disc password");
    Check(ui::Click(ui::FindChild(loader, kButtonExport)), "export could not be pressed");
    const auto notice = ui::WaitForMessageBox("", loaderPid_, kDeadlineMs);
    Check(notice.has_value(), "the export's notice did not appear");
    Check(ui::AnswerMessageBox(notice->window, IDOK), "the notice could not be closed");

    const HWND password = WaitForWindow("TfrmPassword", loaderPid_, kPasswordOk);
    Check(password != nullptr, "the password dialog did not appear");
    const HWND edit = ChildWhere(password, &FindVisibleEdit);
    Check(edit && ui::TypeText(edit, disc::kDemoDiscPassword), "the password could not be typed");
    Check(WaitUntil([&] { return ui::TextOf(edit) == disc::kDemoDiscPassword; }), "the password was not taken");
    Shot(password, "4-password.png");
    Check(ui::Click(ui::FindChild(password, kPasswordOk)), "the password could not be confirmed");

    Step("the destination folder " + destination_ + " in the folder picker");
    HWND picker = nullptr;
    Check(WaitUntil([&] {
              for (HWND w : ui::FindTopWindows({"#32770", "", loaderPid_}))
                  if (ui::FindChildOfClass(w, "SysTreeView32")) picker = w;
              return picker != nullptr;
          }),
          "the folder picker did not appear");
    Check(ui::ChooseFolder(picker, destination_), "the folder picker did not take " + destination_);

    const auto started = std::chrono::steady_clock::now();
    const HWND progress = WaitForWindow("TfrmProgress", loaderPid_, 0);
    Check(progress != nullptr, "the progress window did not appear");
    ShotOfProgress(progress);

    Step("one overwrite question: yes");
    const HWND overwrite = WaitForWindow("TfrmOverWrite", loaderPid_, 0);
    Check(overwrite != nullptr, "the overwrite question did not appear");
    HWND yes = ui::FindChild(overwrite, kOverwriteYes);
    if (!yes || !IsWindowVisible(yes)) yes = ui::FindChild(overwrite, kOverwriteYesLast);
    Check(yes && ShowsPixel(yes, [](uint32_t p) { return p == disc::kDemoButtonEdgeRgb; }),
          "the overwrite question was not painted");
    Shot(overwrite, "6-overwrite.png");
    Check(yes && ui::Click(yes), "the overwrite question could not be answered");

    const HWND finished = WaitForWindow("TfrmGrpDlg", loaderPid_, kMessageOk);
    Check(finished != nullptr, "the export did not finish");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    Check(ShowsPixel(ui::FindChild(finished, kMessageOk), [](uint32_t p) { return p == disc::kDemoButtonEdgeRgb; }),
          "the finished message was not painted");
    Shot(finished, "7-finished.png");
    Check(ui::Click(ui::FindChild(finished, kMessageOk)), "the finished message could not be closed");
    Check(WaitUntil([&] { return !IsWindow(finished) && IsWindowEnabled(loader); }), "the loader did not come back");
    return seconds;
}

void Demo::CheckExport() {
    Step("checking every exported byte against the disc's sources");
    const disc::DiscLayout layout = disc::DemoDisc();
    const disc::DiscSession& second = layout.sessions.at(1);
    size_t files = 0, bytes = 0;
    std::map<std::string, size_t> perEntry;
    for (const disc::DiscFile& f : second.files) {
        const std::string top = kb::GetTopFolderName(f.path);
        const std::string target = destination_ + "\\" + f.path;
        if (f.path.back() == '\\') {
            const DWORD a = GetFileAttributesA(target.c_str());
            Check(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY), "folder " + f.path + " is missing");
            continue;
        }
        std::string data;
        Check(kb::testing::ReadWholeFile(target, data), "file " + f.path + " was not exported");
        Check(data == f.data, "file " + f.path + " differs from the disc's source");
        ++files;
        bytes += data.size();
        perEntry[top] += data.size();
    }
    Check(perEntry.size() == selected_.size(), "the export holds " + std::to_string(perEntry.size()) +
                                                   " entries, the selection " + std::to_string(selected_.size()));
    for (const auto& [entry, size] : perEntry) {
        char line[512];
        std::snprintf(line, sizeof line, "  %-24s %10zu bytes", entry.c_str(), size);
        report_.push_back(line);
    }
    char total[128];
    std::snprintf(total, sizeof total, "  %zu files, %zu bytes, all equal to the disc's sources", files, bytes);
    report_.push_back(total);
}

int Demo::Prepare() {
    const std::string discUnix = Env("KB_DEMO_DISC");
    if (discUnix.empty()) {
        std::fprintf(stderr, "demo: needs the disc's folder (KB_DEMO_DISC)\n");
        return 2;
    }
    disc_ = WindowsPath(discUnix);
    const std::string outUnix = Env("KB_DEMO_OUT");
    out_ = outUnix.empty() ? kb::launcher::testing::BesideTest("demo") : WindowsPath(outUnix);
    MakeFolders(out_);
    try {
        PrepareDisc();
    } catch (const Failure& failure) {
        Say("demo: FAILED: " + failure.what());
        return 1;
    }
    return 0;
}

int Demo::Run() {
    const std::string letter = Env("KB_CDROM_LETTER");
    const std::string discUnix = Env("KB_DEMO_DISC");
    if (letter.empty() || discUnix.empty()) {
        std::fprintf(stderr, "demo: needs the CD-ROM rig (KB_CDROM_LETTER, KB_DEMO_DISC)\n");
        return 2;
    }
    drive_ = static_cast<char>(toupper(static_cast<unsigned char>(letter[0])));
    disc_ = WindowsPath(discUnix);
    const std::string outUnix = Env("KB_DEMO_OUT");
    out_ = outUnix.empty() ? kb::launcher::testing::BesideTest("demo") : WindowsPath(outUnix);
    MakeFolders(out_);
    // What the eraser stand-in records lands here, not in the work folder it would erase.
    SetEnvironmentVariableA("KB_STANDIN_LOG", (out_ + "\\programs.log").c_str());
    DeleteFileA((out_ + "\\programs.log").c_str());
    kb::launcher::DeleteFolderTree(kb::launcher::testing::WorkFolder());
    std::printf("demo: code page %u; disc password \"%s\"\n", GetACP(), disc::kDemoDiscPassword);

    int rc = 0;
    double seconds = 0;
    try {
        const HWND loader = RunLauncher();
        OpenSecondSession(loader);
        seconds = Export(loader);
        CheckExport();
        Step("Quit: the loader ends and starts the eraser for its work folder");
        Check(ui::Click(ui::FindChild(loader, kButtonQuit)), "quit could not be pressed");
        Check(loader_->Exited(kDeadlineMs), "the loader did not end");
        Check(WaitUntil([&] { return Log().find("Delvane|") != std::string::npos; }), "the eraser was not started");
    } catch (const Failure& failure) {
        Say("demo: FAILED: " + failure.what());
        for (HWND w : ui::FindTopWindows({"", "", 0}))
            Say("demo:   window [" + ui::ClassOf(w) + "] \"" + ui::TextOf(w) + "\" " + ui::TextOf(GetDlgItem(w, 0xFFFF)));
        rc = 1;
    }
    // Everything the demo started, or adopted, ends here by its id.
    loader_.reset();
    launcher_.reset();
    kb::launcher::DeleteFolderTree(kb::launcher::testing::WorkFolder());
    if (rc != 0) return rc;

    Say("\nExported from the disc's second session into " + destination_ + ":");
    for (const std::string& line : report_) Say(line);
    std::printf("The export took %.2f s (from the progress window to the finished message).\n", seconds);
    std::printf("Screenshots in %s:", outUnix.empty() ? out_.c_str() : outUnix.c_str());
    for (const std::string& shot : shots_) std::printf(" %s", shot.c_str());
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 2 && std::string(argv[1]) == "--prepare-disc") return Demo().Prepare();
    return Demo().Run();
}
