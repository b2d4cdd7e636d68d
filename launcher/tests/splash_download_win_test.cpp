// The splash window and the driver-download dialog as the user meets them:
// launcher_host shows each from a copy placed beside its own settings file,
// bitmap and region, and the test reads the windows from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/splash.h"
#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/link_static_win.h"
#include "shared/image/tests/image_fixtures.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::launcher {
namespace {

using kb::image::testing::BmpLayout;
using kb::image::testing::MakeBmp;
using kb::image::testing::MakeRegion;
using kb::image::testing::RegionLayout;
using testing::BesideTest;
using testing::Child;
using testing::kDeadlineMs;
using testing::WaitUntil;

constexpr COLORREF kGreen = RGB(0, 200, 0);

std::string Bytes(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A 4 x 2 picture of one colour.
std::vector<std::uint8_t> SolidBmp(COLORREF color) {
    BmpLayout spec;
    spec.width = 4;
    spec.height = 2;
    for (int i = 0; i < 8; ++i) {
        spec.rows.push_back(GetBValue(color));
        spec.rows.push_back(GetGValue(color));
        spec.rows.push_back(GetRValue(color));
    }
    return MakeBmp(spec);
}

// An L: the whole top half, the left half of the bottom half.
std::vector<std::uint8_t> LRegion() {
    RegionLayout spec;
    spec.rects = {{0, 0, 200, 50}, {0, 50, 100, 100}};
    spec.bound = {0, 0, 200, 100};
    return MakeRegion(spec);
}

// A launcher folder of its own: a copy of launcher_host and its files.
class LauncherFolder {
public:
    LauncherFolder() {
        EXPECT_TRUE(CopyFileA(BesideTest("launcher_host.exe").c_str(), Host().c_str(), FALSE));
    }
    std::string Host() const { return dir_ / "launcher_host.exe"; }
    std::string Ini() const { return dir_ / "Dremlin.ini"; }
    void Write(const std::string& name, const std::string& bytes) const {
        ASSERT_TRUE(kb::testing::WriteWholeFile(dir_ / name, bytes));
    }
    const kb::testing::TempDir& Dir() const { return dir_; }

private:
    kb::testing::TempDir dir_;
};

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// The splash of pid once it has its laid-out size.
HWND WaitForSplash(DWORD pid, int width, int height) {
    uidriver::WindowQuery query;
    query.title = kSplashTitle;
    query.pid = pid;
    HWND found = nullptr;
    WaitUntil([&] {
        found = uidriver::WaitForTopWindow(query, 0);
        if (!found) return false;
        const RECT r = WindowRect(found);
        return r.right - r.left == width && r.bottom - r.top == height;
    });
    return found;
}

COLORREF ScreenPixel(HWND window, int x, int y) {
    const RECT r = WindowRect(window);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, r.left + x, r.top + y);
    ReleaseDC(nullptr, screen);
    return c;
}

void SaveShot(HWND window, const std::string& name) {
    CreateDirectoryA(BesideTest("screenshots").c_str(), nullptr);
    EXPECT_TRUE(uidriver::SaveWindowPng(window, BesideTest("screenshots\\" + name)));
}

bool NoMessageBoxOf(DWORD pid) {
    uidriver::WindowQuery query;
    query.windowClass = "#32770";
    query.pid = pid;
    for (HWND w : uidriver::FindTopWindows(query))
        if (uidriver::FindChild(w, 0xFFFF)) return false;
    return true;
}

TEST(SplashWindow, SizeRegionAndPictureFromTheSettingsFile) {
    LauncherFolder folder;
    folder.Write("splash.bmp", Bytes(SolidBmp(kGreen)));
    folder.Write("splash.rgn", Bytes(LRegion()));
    folder.Write("Dremlin.ini",
                 "[SplashWindow]\r\nLeft=37\r\nTop=41\r\nWidth=200\r\nHeight=100\r\nBmpFile=splash.bmp\r\n"
                 "RgnFile=splash.rgn\r\nStrLeft=4\r\nStrTop=4\r\nStrColor=255\r\n");
    Child host(folder.Host(), "splash \"" + folder.Ini() + "\" \"Preparing\" \"Splash failed\"");
    ASSERT_TRUE(host.Started());
    HWND splash = WaitForSplash(host.Pid(), 200, 100);
    ASSERT_NE(splash, nullptr) << "no 200 x 100 splash";

    // Centred on the desktop whatever Left and Top say.
    const RECT desktop = WindowRect(GetDesktopWindow());
    const RECT r = WindowRect(splash);
    EXPECT_EQ(r.left, (desktop.right - desktop.left - 200) / 2);
    EXPECT_EQ(r.top, (desktop.bottom - desktop.top - 100) / 2);

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(splash, region), ERROR);
    EXPECT_TRUE(PtInRegion(region, 150, 20));
    EXPECT_TRUE(PtInRegion(region, 50, 80));
    EXPECT_FALSE(PtInRegion(region, 150, 80));
    EXPECT_FALSE(PtInRegion(region, 199, 99));
    DeleteObject(region);

    // The picture stretched over the window, inside the region.
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(splash, 150, 40) == kGreen; }))
        << std::hex << ScreenPixel(splash, 150, 40);
    EXPECT_EQ(ScreenPixel(splash, 50, 90), kGreen);
    EXPECT_NE(ScreenPixel(splash, 150, 80), kGreen) << "outside the region the desktop shows";
    SaveShot(splash, "launcher_splash.png");
    EXPECT_TRUE(NoMessageBoxOf(host.Pid()));
}

TEST(SplashWindow, DamagedBitmapGivesThePlainBackground) {
    // A header that is not the expected size, and one with fewer pixel bytes than it needs.
    BmpLayout wrongHeader;
    wrongHeader.headerSize = 108;
    wrongHeader.rows.assign(4, 0);
    auto shortPixels = SolidBmp(kGreen);
    shortPixels.resize(shortPixels.size() - 5);
    for (const auto& bmp : {MakeBmp(wrongHeader), shortPixels}) {
        LauncherFolder folder;
        folder.Write("splash.bmp", Bytes(bmp));
        // A region whose rectangle count does not fit its bytes: no shape.
        RegionLayout badRegion;
        badRegion.rects = {{0, 0, 10, 10}};
        badRegion.bound = {0, 0, 10, 10};
        badRegion.count = 5;
        folder.Write("splash.rgn", Bytes(MakeRegion(badRegion)));
        folder.Write("Dremlin.ini",
                     "[SplashWindow]\r\nWidth=120\r\nHeight=80\r\nBmpFile=splash.bmp\r\nRgnFile=splash.rgn\r\n");
        Child host(folder.Host(), "splash \"" + folder.Ini() + "\" \"\" \"Splash failed\"");
        HWND splash = WaitForSplash(host.Pid(), 120, 80);
        ASSERT_NE(splash, nullptr);
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(splash, 60, 60) == face; }))
            << std::hex << ScreenPixel(splash, 60, 60);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetWindowRgn(splash, region), ERROR) << "the window stays rectangular";
        DeleteObject(region);
        DWORD code = 0;
        EXPECT_FALSE(host.WaitExit(0, code)) << "ended with " << code;
        EXPECT_TRUE(NoMessageBoxOf(host.Pid()));
    }
}

TEST(SplashWindow, WithoutItsSectionFourHundredByThreeHundredCentred) {
    LauncherFolder folder;
    folder.Write("Dremlin.ini", "[Initial]\r\nTargetApp=101\r\n");
    Child host(folder.Host(), "splash \"" + folder.Ini() + "\" \"Preparing\" \"Splash failed\"");
    HWND splash = WaitForSplash(host.Pid(), 400, 300);
    ASSERT_NE(splash, nullptr);
    const RECT desktop = WindowRect(GetDesktopWindow());
    EXPECT_EQ(WindowRect(splash).left, (desktop.right - desktop.left - 400) / 2);
    EXPECT_EQ(WindowRect(splash).top, (desktop.bottom - desktop.top - 300) / 2);
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(splash, 300, 200) == GetSysColor(COLOR_BTNFACE); }));
}

// ---------------------------------------------------------------- driver download

constexpr char kNeedDriver[] = "A driver has to be installed before the disc can be read.";

struct DownloadRun {
    std::unique_ptr<LauncherFolder> folder = std::make_unique<LauncherFolder>();
    std::unique_ptr<Child> host;
    HWND dialog = nullptr;
    HWND link = nullptr;

    explicit DownloadRun(const std::string& url) {
        folder->Write("Dremlin.ini", std::string("[Message]\r\nNeedDriverInstall=") + kNeedDriver +
                                         "\r\nDownloadSiteUrl=" + url + "\r\n");
        host = std::make_unique<Child>(folder->Host(), "driver-download \"" + folder->Ini() + "\"");
        uidriver::WindowQuery query;
        query.windowClass = "#32770";
        query.title = "Dremlin";
        query.pid = host->Pid();
        dialog = uidriver::WaitForTopWindow(query, kDeadlineMs);
        if (dialog) link = uidriver::FindChild(dialog, 1005);
    }
};

RECT ClientRectIn(HWND child) {
    RECT r = WindowRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(DriverDownload, MessagesThirteenAndFourteenAndTheLinkAsWideAsItsText) {
    const std::string shortUrl = "http://example.com/driver";
    const std::string longUrl = "http://example.com/" + std::string(400, 'd');
    RECT shortPlace{};
    for (const std::string& url : {shortUrl, longUrl}) {
        DownloadRun run(url);
        ASSERT_NE(run.dialog, nullptr);
        ASSERT_NE(run.link, nullptr);
        EXPECT_EQ(uidriver::TextOf(uidriver::FindChild(run.dialog, 1004)), kNeedDriver);
        const std::string shown = CutLinkUrl(url);
        const SIZE extent = testing::LinkTextExtent(shown);
        EXPECT_TRUE(WaitUntil([&] {
            const RECT r = WindowRect(run.link);
            return r.right - r.left == extent.cx && r.bottom - r.top == extent.cy;
        })) << "link " << WindowRect(run.link).right - WindowRect(run.link).left << " wide, text " << extent.cx;
        const RECT place = ClientRectIn(run.link);
        if (url == shortUrl) {
            shortPlace = place;
            SaveShot(run.dialog, "launcher_driver_download.png");
        } else {
            // Grown to the right from the same left edge and bottom, past the dialog's width.
            EXPECT_EQ(shown.size(), kLinkUrlMaxBytes);
            EXPECT_EQ(place.left, shortPlace.left);
            EXPECT_EQ(place.bottom, shortPlace.bottom);
            RECT client{};
            GetClientRect(run.dialog, &client);
            EXPECT_GT(place.right - place.left, client.right);
        }
        // OK ends the dialog with IDOK.
        ASSERT_TRUE(uidriver::Click(uidriver::FindChild(run.dialog, IDOK)));
        DWORD code = 0;
        ASSERT_TRUE(run.host->WaitExit(kDeadlineMs, code));
        EXPECT_EQ(code, static_cast<DWORD>(IDOK));
    }
}

TEST(DriverDownload, AClickOnTheLinkGoesToTheShell) {
    struct Row {
        std::string url;
        const char* text;
    };
    kb::testing::TempDir empty;
    const Row rows[] = {
        {empty / "no-such-driver.exe", "File is not found"},
        {"kbtest-no-such-scheme:driver", "Error occurred."},
    };
    for (const Row& row : rows) {
        DownloadRun run(row.url);
        ASSERT_NE(run.link, nullptr);
        ASSERT_TRUE(uidriver::Click(run.link));
        const auto box = uidriver::WaitForMessageBox("error", run.host->Pid(), kDeadlineMs);
        ASSERT_TRUE(box.has_value()) << row.url;
        EXPECT_EQ(box->text, row.text) << row.url;
        uidriver::AnswerMessageBox(box->window, IDOK);
        // The dialog stays open after a failed start.
        DWORD code = 0;
        EXPECT_FALSE(run.host->WaitExit(0, code));
        EXPECT_TRUE(IsWindow(run.dialog));
    }
}

}  // namespace
}  // namespace kb::launcher
