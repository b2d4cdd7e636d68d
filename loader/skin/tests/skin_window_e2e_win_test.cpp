// The skin toolkit's windows as a user meets them: the test program
// skin_demo runs from a program folder with a fixture skin, and is driven from
// outside with posted mouse messages; its shape, position, pixels and caption
// are read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "testing/kit/temp_folder.h"
#include "loader/skin/button_list.h"
#include "loader/skin/tests/skin_fixture_win.h"
#include "testing/uidriver/ui_driver.h"

namespace {

using kb::testing::TempDir;
namespace fx = kb::loader::testing;
namespace ui = kb::uidriver;

constexpr uint32_t kBackground = 0x3366CC;
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kYellow = 0xFFFF00, kMagenta = 0xFF00FF, kWhite = 0xFFFFFF;

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

struct Status {
    int clicks = -1, downs = -1, ups = -1, cursor = -1, dragging = -1, moves = -1, missing99 = -1, stopped = -1;
};
bool ReadStatus(HWND w, Status& s) {
    const std::string t = ui::TextOf(w);
    return std::sscanf(t.c_str(), "clicks=%d downs=%d ups=%d cursor=%d dragging=%d moves=%d missing99=%d stopped=%d",
                       &s.clicks, &s.downs, &s.ups, &s.cursor, &s.dragging, &s.moves, &s.missing99,
                       &s.stopped) == 8;
}

template <class Done>
bool WaitFor(Done done, DWORD timeoutMs = 15000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(15);
    }
    return true;
}

class SkinWindow : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = temp_.path() + "\\prog";
        const std::string stage = temp_.path() + "\\stage";
        ASSERT_TRUE(CreateDirectoryA(program_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((program_ + "\\skin").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(stage.c_str(), nullptr));
        for (const char* file : {"skin_demo.exe", "Arkstow.dll"})
            ASSERT_TRUE(CopyFileA((BinDir() + "\\" + file).c_str(), (program_ + "\\" + file).c_str(), FALSE)) << file;
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\skin\\Reader.def", "[RmBg]\r\nName=bg\r\nRegion=shape\r\nMove=1\r\n"));
        // Button 12's line has a bad integer: the list ends there, button 13 never comes.
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\skin\\Reader.btn",
                                       "// demo buttons\r\n$FF00FF\r\n"
                                       "b10up,b10down,20,20,0,10\r\n"
                                       "b11up,b11down,120,20,1,11 \r\n"
                                       "b10up,b10down,1,2,zz,12\r\n"
                                       "b10up,b10down,0,0,0,13\r\n"));
        // 200 x 150 with the top-right 40 x 40 corner cut away.
        const std::string region = fx::RegionEntry({{0, 0, 160, 40}, {0, 40, 200, 150}}, {0, 0, 200, 150});
        ASSERT_EQ(fx::WriteSkinArchive(program_, stage,
                                       {{"bg.bmp", fx::SolidBmp(200, 150, kBackground)},
                                        {"shape.rgn", region},
                                        {"b10up.bmp", fx::SolidBmp(40, 30, kRed)},
                                        {"b10down.bmp", fx::SolidBmp(40, 30, kGreen)},
                                        {"b11up.bmp", fx::Bmp24(40, 30, [](int x, int) { return x < 20 ? kMagenta : kYellow; })},
                                        {"b11down.bmp", fx::SolidBmp(40, 30, kWhite)}}),
                  0);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string command = "\"" + program_ + "\\skin_demo.exe\"";
        ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, program_.c_str(), &si,
                                   &process_));
        // The bad line is reported once, with the file and its line, before the window shows.
        const auto report = ui::WaitForMessageBox("Sorvex", process_.dwProcessId, 30000);
        ASSERT_TRUE(report.has_value()) << "no report of the bad button line";
        EXPECT_EQ(report->text, kb::loader::BadButtonLineText(program_ + "\\skin\\Reader.btn", 5));
        ASSERT_TRUE(ui::AnswerMessageBox(report->window, IDOK));
        window_ = ui::WaitForTopWindow({"TfrmSkinDemo", "", process_.dwProcessId}, 30000);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(WaitFor([&] { return ReadStatus(window_, status_); }));
        // Parked away from the window: no pointer move of the desktop reaches it.
        SetCursorPos(1279, 1023);
    }

    void TearDown() override {
        if (process_.hProcess) {
            if (window_) ui::AskToClose(window_);
            if (WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0) {
                ADD_FAILURE() << "the test program did not end after a close request";
                TerminateProcess(process_.hProcess, 1);
                WaitForSingleObject(process_.hProcess, 5000);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
    }

    Status Now() {
        Status s;
        ReadStatus(window_, s);
        return s;
    }
    // The screen pixel at a client point of the window (0x00RRGGBB).
    uint32_t PixelAt(int x, int y) {
        std::vector<uint32_t> px;
        int w = 0, h = 0;
        if (!ui::CaptureWindow(window_, px, w, h) || x >= w || y >= h) return 0xFFFFFFFF;
        return px[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
    }
    bool PixelBecomes(int x, int y, uint32_t rgb) {
        return WaitFor([&] { return PixelAt(x, y) == rgb; });
    }
    RECT Rect() {
        RECT r = {};
        GetWindowRect(window_, &r);
        return r;
    }
    void Post(HWND w, UINT msg, WPARAM keys, int x, int y) {
        ASSERT_TRUE(PostMessageA(w, msg, keys, MAKELPARAM(static_cast<short>(x), static_cast<short>(y))));
    }

    TempDir temp_;
    std::string program_;
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
    Status status_;
};

TEST_F(SkinWindow, ShapeButtonsAndPaintingOrder) {
    // The client size follows the background; the region cuts the corner.
    RECT r = Rect();
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 150);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(window_, rgn), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(rgn, 10, 10));
    EXPECT_TRUE(PtInRegion(rgn, 159, 39));
    EXPECT_FALSE(PtInRegion(rgn, 170, 10));
    EXPECT_TRUE(PtInRegion(rgn, 190, 100));
    EXPECT_FALSE(PtInRegion(rgn, 200, 100));
    DeleteObject(rgn);

    // The list stopped at the bad line; an id it does not define gives no button.
    EXPECT_EQ(status_.stopped, 4);
    EXPECT_EQ(status_.missing99, 1);
    EXPECT_NE(ui::FindChild(window_, 10), nullptr);
    EXPECT_NE(ui::FindChild(window_, 11), nullptr);
    EXPECT_EQ(ui::FindChild(window_, 13), nullptr);
    HWND hidden12 = ui::FindChild(window_, 12);
    EXPECT_EQ(hidden12, nullptr);

    ASSERT_TRUE(PixelBecomes(100, 70, kBackground));
    EXPECT_NE(PixelAt(190, 10), kBackground);  // cut away: the desktop shows
    EXPECT_EQ(PixelAt(30, 30), kRed);           // button 10, image 0
    EXPECT_EQ(PixelAt(125, 35), kBackground);   // button 11's keyed half shows the background
    EXPECT_EQ(PixelAt(150, 35), kYellow);       // and its opaque half
    EXPECT_EQ(PixelAt(15, 108), 0x0000FFu);     // the gauge's bar (windowless)
    EXPECT_EQ(PixelAt(100, 108), 0x00CCCCu);    // under the panel (windowed) it is hidden
    EXPECT_EQ(PixelAt(100, 125), 0x00CCCCu);
    EXPECT_TRUE(ui::SaveWindowPng(window_, BinDir() + "\\skin_demo_window.png"));
}

TEST_F(SkinWindow, ButtonImagesOnHoverPressAndRelease) {
    HWND button = ui::FindChild(window_, 10);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(PixelBecomes(30, 30, kRed));
    // Hover: still the normal image, nothing raised.
    Post(button, WM_MOUSEMOVE, 0, 5, 5);
    // Press: the pressed image.
    Post(button, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    ASSERT_TRUE(WaitFor([&] { return Now().downs == 1; }));
    EXPECT_TRUE(PixelBecomes(30, 30, kGreen));
    // Released outside: normal image, mouse-up, no click.
    Post(button, WM_MOUSEMOVE, MK_LBUTTON, -30, -30);
    Post(button, WM_LBUTTONUP, 0, -30, -30);
    ASSERT_TRUE(WaitFor([&] { return Now().ups == 1; }));
    const DWORD released = GetTickCount();
    EXPECT_EQ(Now().clicks, 0);
    EXPECT_TRUE(PixelBecomes(30, 30, kRed));

    // After the press guard's half second: press and release inside, one click.
    ASSERT_TRUE(WaitFor([&] { return GetTickCount() - released > 700; }));
    Post(button, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    Post(button, WM_LBUTTONUP, 0, 6, 6);
    ASSERT_TRUE(WaitFor([&] { return Now().ups == 2; }));
    const Status s = Now();
    EXPECT_EQ(s.clicks, 1);
    EXPECT_EQ(s.downs, 2);
    EXPECT_TRUE(PixelBecomes(30, 30, kRed));

    // A press at once after that release is refused: no image, no events.
    Post(button, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    Post(button, WM_LBUTTONUP, 0, 5, 5);
    Post(button, WM_MOUSEMOVE, 0, 7, 7);  // then a move over the background counts as a sync point
    Post(window_, WM_MOUSEMOVE, 0, 100, 70);
    ASSERT_TRUE(WaitFor([&] { return Now().moves >= 1; }));
    EXPECT_EQ(Now().clicks, 1);
    EXPECT_EQ(Now().downs, 2);
    EXPECT_EQ(Now().ups, 2);
}

TEST_F(SkinWindow, BackgroundDragMovesTheWindowAndAnyReleaseEndsIt) {
    const RECT start = Rect();
    Post(window_, WM_LBUTTONDOWN, MK_LBUTTON, 10, 60);
    ASSERT_TRUE(WaitFor([&] { return Now().dragging == 1; }));
    EXPECT_EQ(Now().cursor, 2);  // size-all
    Post(window_, WM_MOUSEMOVE, MK_LBUTTON, 30, 55);
    ASSERT_TRUE(WaitFor([&] { return Rect().left == start.left + 20; }));
    EXPECT_EQ(Rect().top, start.top - 5);
    Post(window_, WM_LBUTTONUP, 0, 10, 60);
    ASSERT_TRUE(WaitFor([&] { const Status s = Now(); return s.dragging == 0 && s.cursor == 0; }));

    // The right button drags too; released outside the window it still ends the drag.
    const RECT second = Rect();
    Post(window_, WM_RBUTTONDOWN, MK_RBUTTON, 50, 120);
    ASSERT_TRUE(WaitFor([&] { return Now().dragging == 1; }));
    Post(window_, WM_MOUSEMOVE, MK_RBUTTON, 60, 120);
    ASSERT_TRUE(WaitFor([&] { return Rect().left == second.left + 10; }));
    Post(window_, WM_RBUTTONUP, 0, -500, -500);
    ASSERT_TRUE(WaitFor([&] { const Status s = Now(); return s.dragging == 0 && s.cursor == 0; }));
    const int movesBefore = Now().moves;
    const RECT after = Rect();
    Post(window_, WM_MOUSEMOVE, 0, 90, 130);
    ASSERT_TRUE(WaitFor([&] { return Now().moves > movesBefore; }));
    EXPECT_EQ(Rect().left, after.left);
    EXPECT_EQ(Rect().top, after.top);
}

}  // namespace
