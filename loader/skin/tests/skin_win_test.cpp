// TSkin on a window of its own: the skin files of a fixture program folder
// (definition, archive written by the project's archive writer) give the form
// its background, region and drag, and the named parts place, colour and fill
// a label and a page panel. The window is driven with posted mouse messages
// and read back from the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "loader/skin/tests/skin_fixture_win.h"
#include "loader/skin/win/application.h"
#include "loader/skin/win/controls.h"
#include "loader/skin/win/image_button.h"
#include "loader/skin/win/skin_win.h"
#include "loader/win/profile_win.h"
#include "testing/kit/deadline.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::loader {
namespace {

namespace fx = kb::loader::testing;
namespace driver = kb::uidriver;

constexpr uint32_t kBackground = 0x3366CC;  // 0x00RRGGBB as the screen shows it
constexpr uint32_t kPage = 0x22AA44;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;

// 240 x 160 with the top-right 40 x 30 corner cut away.
const std::vector<fx::Rect> kShape = {{0, 0, 200, 30}, {0, 30, 240, 160}};
const fx::Rect kShapeBounds = {0, 0, 240, 160};

class SkinOnItsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = temp_.path() + "\\prog";
        const std::string stage = temp_.path() + "\\stage";
        ASSERT_TRUE(CreateDirectoryA(program_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((program_ + "\\skin").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(stage.c_str(), nullptr));
        // Colours in the file are the platform's numbers, 0x00BBGGRR.
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\skin\\Reader.def",
                                       "[RmBg]\r\nName=bg\r\nRegion=shape\r\nMove=1\r\n"
                                       "[RmPageView]\r\nName=page\r\nLeft=30\r\nTop=40\r\nWidth=90\r\nHeight=60\r\n"
                                       "[RmStatus]\r\nLeft=10\r\nTop=110\r\nWidth=220\r\nFgColor=$000000FF\r\n"
                                       "[RmVolume]\r\nLeft=140\r\nTop=40\r\nFgColor=$0000FF00\r\n"
                                       "[RpBg]\r\nName=bg\r\nMove=0\r\n"
                                       "[RsBg]\r\nName=none\r\n[RwBg]\r\nName=bad\r\n"
                                       "[RmPageWork]\r\nName=page\r\nLeft=0\r\nTop=0\r\nWidth=180\r\nHeight=120\r\n"));
        ASSERT_EQ(fx::WriteSkinArchive(program_, stage,
                                       {{"bg.bmp", fx::SolidBmp(240, 160, kBackground)},
                                        {"shape.rgn", fx::RegionEntry(kShape, kShapeBounds)},
                                        {"page.bmp", fx::SolidBmp(90, 60, kPage)},
                                        {"bad.bmp", "BM not a bitmap"},
                                        {"b1u.bmp", fx::SolidBmp(20, 10, kRed)},
                                        {"b1d.bmp", fx::SolidBmp(20, 10, kGreen)}}),
                  0);
        files_.programDir = program_;
        files_.open = [](const std::string& path) { return OpenPrivateProfile(path); };
        files_.fileExists = [](const std::string& path) {
            return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        };
        fonts_.name = "Tahoma";
        fonts_.charset = 0;
        fonts_.size = 20;
        ASSERT_TRUE(ui::App().Initialize("SkinOnItsWindow"));
        // Parked away from the windows: no pointer move of the desktop reaches them.
        SetCursorPos(1279, 1023);
    }
    void TearDown() override { ui::App().Shutdown(); }

    // Handles messages until done() or the deadline; true when done.
    template <class Done>
    bool PumpUntil(Done done) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > kb::testing::kStateDeadlineMs) return false;
            ui::App().ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return true;
    }
    // The window's pixels on the screen (0x00RRGGBB), once check accepts them.
    template <class Check>
    bool ScreenShows(HWND window, Check check) {
        return PumpUntil([&] {
            int w = 0, h = 0;
            std::vector<uint32_t> px;
            if (!driver::CaptureWindow(window, px, w, h)) return false;
            for (uint32_t& p : px) p &= 0xFFFFFF;
            return check(px, w, h);
        });
    }
    static void Post(HWND w, UINT message, WPARAM keys, int x, int y) {
        PostMessageA(w, message, keys, MAKELPARAM(static_cast<short>(x), static_cast<short>(y)));
    }
    static RECT WindowRect(HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return r;
    }

    kb::testing::TempDir temp_;
    std::string program_;
    SkinFiles files_;
    SkinFontSettings fonts_;
};

TEST_F(SkinOnItsWindow, BackgroundRegionDragAndPartsAsTheSkinSays) {
    {  // the skin goes before its window, as in a form's destruction
        ui::Form form("TSkinOwnWindow");
        form.SetBounds(50, 60, 10, 10);
        ASSERT_TRUE(form.Create());
        ui::Image bg(&form);
        ui::Panel page;
        ASSERT_TRUE(page.Create(form));
        ui::Image pageImage(&page);
        ui::Label status(&form);
        status.SetCaption("Status 42");
        ui::Label volume(&form);
        volume.SetCaption("Vol");
        kb::testing::RecordingSink sink;
        TSkin skin(form, bg, "Rm", true, files_, fonts_);

        // The client area takes the background's size.
        EXPECT_EQ(form.ClientWidth(), 240);
        EXPECT_EQ(form.ClientHeight(), 160);

        // The window region is the one the skin's region data describes.
        HRGN applied = CreateRectRgn(0, 0, 0, 0);
        ASSERT_EQ(GetWindowRgn(form.Handle(), applied), COMPLEXREGION);
        const std::string entry = fx::RegionEntry(kShape, kShapeBounds);
        HRGN expected = ExtCreateRegion(nullptr, static_cast<DWORD>(entry.size() - 4),
                                        reinterpret_cast<const RGNDATA*>(entry.data() + 4));
        ASSERT_NE(expected, nullptr);
        EXPECT_TRUE(EqualRgn(applied, expected));
        EXPECT_FALSE(PtInRegion(applied, 220, 10));
        DeleteObject(expected);
        DeleteObject(applied);

        // The page part: the panel's rectangle, the page bitmap filling it.
        skin.SetPanel(page, pageImage, "RmPageView");
        EXPECT_EQ(page.Left(), 30);
        EXPECT_EQ(page.Top(), 40);
        EXPECT_EQ(page.Width(), 90);
        EXPECT_EQ(page.Height(), 60);
        EXPECT_EQ(pageImage.GetAlign(), ui::Align::Client);
        EXPECT_EQ(pageImage.Width(), 90);
        EXPECT_EQ(pageImage.Height(), 60);

        // The labels: position (and for the status, width), colour, the skin's
        // font; the status text is right-justified.
        skin.SetLabel(status, "RmStatus");
        skin.SetLabel(volume, "RmVolume");
        EXPECT_EQ(status.Left(), 10);
        EXPECT_EQ(status.Top(), 110);
        EXPECT_EQ(status.Width(), 220);
        EXPECT_EQ(volume.Left(), 140);
        EXPECT_EQ(volume.Top(), 40);
        EXPECT_TRUE(sink.messages.empty());

        // A part the definition's operation does not know: the message, and the
        // label keeps its place.
        skin.SetLabel(volume, "RmNothing");
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].second, "RmNothing not defined.");
        EXPECT_EQ(sink.messages[0].first, "Sorvex");
        EXPECT_EQ(volume.Left(), 140);
        skin.SetPanel(page, pageImage, "RmPageWrong");
        ASSERT_EQ(sink.messages.size(), 2u);
        EXPECT_EQ(sink.messages[1].second, "RmPageWrong not defined.");
        EXPECT_EQ(page.Left(), 30);

        form.Show();
        const HWND w = form.Handle();
        // Pixels: background, the page over it with no bevel at its corners, the
        // status text in red towards the right at the skin's font size, the
        // volume text in green.
        EXPECT_TRUE(ScreenShows(w, [&](const std::vector<uint32_t>& px, int width, int) {
            auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * width + x]; };
            if (at(5, 5) != kBackground || at(30, 40) != kPage || at(119, 99) != kPage || at(75, 70) != kPage)
                return false;
            int redTop = 1000, redBottom = -1, redLeft = 1000, greens = 0;
            for (int y = 100; y < 160; ++y)
                for (int x = 0; x < 240; ++x)
                    if (at(x, y) == kRed) {
                        redTop = std::min(redTop, y);
                        redBottom = std::max(redBottom, y);
                        redLeft = std::min(redLeft, x);
                    }
            for (int y = 40; y < 100; ++y)
                for (int x = 140; x < 240; ++x) greens += at(x, y) == kGreen;
            // 20 points is some 27 pixels a line; capitals and digits stand over 13.
            return redBottom - redTop >= 13 && redLeft > 100 && greens > 0;
        })) << "see skin_own_window.png";
        EXPECT_TRUE(driver::SaveWindowPng(w, kb::uidriver::ProgramFolder() + "\\skin_own_window.png"));

        // Dragging the background (Move=1) with posted mouse messages moves the
        // window; the messages are all handled once the queue is drained.
        const RECT start = WindowRect(w);
        Post(w, WM_LBUTTONDOWN, MK_LBUTTON, 10, 20);
        Post(w, WM_MOUSEMOVE, MK_LBUTTON, 35, 12);
        ui::App().ProcessMessages();
        EXPECT_TRUE(skin.RegionWindow().Dragging());
        EXPECT_EQ(WindowRect(w).left, start.left + 25);
        EXPECT_EQ(WindowRect(w).top, start.top - 8);
        Post(w, WM_LBUTTONUP, 0, 35, 12);
        // Released: a move without a button moves nothing.
        Post(w, WM_MOUSEMOVE, 0, 80, 90);
        ui::App().ProcessMessages();
        EXPECT_FALSE(skin.RegionWindow().Dragging());
        EXPECT_EQ(WindowRect(w).left, start.left + 25);
        EXPECT_EQ(WindowRect(w).top, start.top - 8);
    }

    // Another skin of the same files without region and with Move=0: the
    // window stays rectangular and the same messages move nothing.
    ui::Form plain("TSkinOwnWindow");
    plain.SetBounds(50, 60, 10, 10);
    ASSERT_TRUE(plain.Create());
    ui::Image plainBg(&plain);
    TSkin plainSkin(plain, plainBg, "Rp", true, files_, fonts_);
    EXPECT_EQ(plain.ClientWidth(), 240);
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(plain.Handle(), none), ERROR);
    DeleteObject(none);
    plain.Show();
    const HWND p = plain.Handle();
    const RECT still = WindowRect(p);
    Post(p, WM_LBUTTONDOWN, MK_LBUTTON, 10, 20);
    Post(p, WM_MOUSEMOVE, MK_LBUTTON, 35, 12);
    ui::App().ProcessMessages();
    EXPECT_FALSE(plainSkin.RegionWindow().Dragging());
    Post(p, WM_LBUTTONUP, 0, 35, 12);
    ui::App().ProcessMessages();
    EXPECT_EQ(WindowRect(p).left, still.left);
    EXPECT_EQ(WindowRect(p).top, still.top);
}

// A background the archive lacks ("Rs") or the decoder refuses ("Rw")
// leaves the background image, and so the client area, at the form's design
// size: the window still shows.
TEST_F(SkinOnItsWindow, AMissingOrRefusedBackgroundKeepsTheDesignSize) {
    for (const char* prefix : {"Rs", "Rw"}) {
        SCOPED_TRACE(prefix);
        ui::Form form("TSkinOwnWindow");
        form.SetBounds(50, 60, 204, 92);
        ASSERT_TRUE(form.Create());
        ui::Image bg(&form);
        kb::testing::RecordingSink sink;
        TSkin skin(form, bg, prefix, true, files_, fonts_);
        EXPECT_EQ(form.ClientWidth(), 204);
        EXPECT_EQ(form.ClientHeight(), 92);
        EXPECT_EQ(bg.Width(), 204);
        EXPECT_EQ(bg.Height(), 92);
        EXPECT_TRUE(sink.messages.empty());
    }
}

// A page bitmap smaller than its page is drawn at its own size from the
// page's top left, not stretched over it.
TEST_F(SkinOnItsWindow, APageImageFillsThePageUnstretched) {
    ui::Form form("TSkinOwnWindow");
    form.SetBounds(50, 60, 10, 10);
    ASSERT_TRUE(form.Create());
    ui::Image bg(&form);
    ui::Panel page;
    ASSERT_TRUE(page.Create(form));
    ui::Image pageImage(&page);
    TSkin skin(form, bg, "Rm", false, files_, fonts_);
    skin.SetPanel(page, pageImage, "RmPageWork");
    EXPECT_EQ(pageImage.Width(), 180);
    EXPECT_EQ(pageImage.Height(), 120);
    EXPECT_FALSE(pageImage.stretch);
    form.Show();
    EXPECT_TRUE(ScreenShows(form.Handle(), [&](const std::vector<uint32_t>& px, int width, int) {
        auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * width + x]; };
        return at(0, 0) == kPage && at(89, 59) == kPage && at(150, 100) != kPage && at(95, 30) != kPage;
    }));
}

// A skin image (what every button reads its images through) takes its
// entry's picture and stays hidden; an entry the archive lacks or the decoder
// refuses leaves it 0 x 0.
TEST_F(SkinOnItsWindow, AnImageTakesItsEntryOrStaysEmpty) {
    ui::Form form("TSkinOwnWindow");
    form.SetBounds(50, 60, 10, 10);
    ASSERT_TRUE(form.Create());
    TArkstow archive;
    archive.OpenArchive(SkinArchivePath("Rm", files_));
    const struct {
        const char* entry;
        int width, height;
    } cases[] = {{"b1u.bmp", 20, 10}, {"missing.bmp", 0, 0}, {"bad.bmp", 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        TCImage image(&form);
        EXPECT_FALSE(image.Visible());
        image.LoadFromArchive(archive, c.entry);
        EXPECT_EQ(image.Picture().Width(), c.width);
        EXPECT_EQ(image.Picture().Height(), c.height);
        EXPECT_FALSE(image.Visible());
    }
}

// A line of the button list that is no button line is reported once, in the
// loader's own box with the file and its line, however many windows read
// the list; the buttons before it stay.
TEST_F(SkinOnItsWindow, ABadButtonLineIsReportedOnceWithItsFileAndLine) {
    const std::string btn = program_ + "\\skin\\Reader.btn";
    ASSERT_TRUE(fx::WriteFileBytes(btn, "$FF00FF\r\n// remark\r\nb1,b1,0,0,0,7\r\n\r\nb1,b1,x,0,0,8\r\nb1,b1,0,0,0,10\r\n"));
    kb::testing::RecordingSink sink;
    for (int window = 0; window < 2; ++window) {
        ui::Form form("TSkinOwnWindow");
        form.SetBounds(50, 60, 10, 10);
        ASSERT_TRUE(form.Create());
        ui::Image bg(&form);
        TSkin skin(form, bg, "Rp", true, files_, fonts_);
        EXPECT_NE(skin.GetButton(7), nullptr);
        EXPECT_EQ(skin.Buttons().StoppedAt(), 3);
        EXPECT_EQ(skin.GetButton(8), nullptr);
        EXPECT_EQ(skin.GetButton(10), nullptr);
    }
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, "Sorvex");
    EXPECT_EQ(sink.messages[0].second, BadButtonLineText(btn, 5));
}

}  // namespace
}  // namespace kb::loader
