// The form layer on the real platform: the application's window, mouse
// routing, painting order, alignment, modal forms, key preview, timers and the
// screen cursor. Messages are sent or posted to the windows as the platform
// would deliver them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/skin/win/application.h"
#include "loader/skin/win/controls.h"

namespace {

using namespace kb::loader::ui;

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(App().Initialize("FormsTestApp")); }
    void TearDown() override { App().Shutdown(); }

    // Handles messages until done() or the deadline; true when done.
    template <class Done>
    bool PumpUntil(Done done, DWORD timeoutMs = 10000) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > timeoutMs) return false;
            App().ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return true;
    }
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

kb::win::DibBitmap Solid(int w, int h, uint32_t rgb) {
    kb::win::DibBitmap b;
    b.Create(w, h);
    b.Fill(rgb);
    return b;
}

TEST_F(FormsTest, ApplicationWindowIsHiddenAndFoundByClassAndTitle) {
    HWND found = FindWindowA("TApplication", "FormsTestApp");
    EXPECT_EQ(found, App().Handle());
    EXPECT_FALSE(IsWindowVisible(found));
    App().SetTitle("Renamed");
    EXPECT_EQ(FindWindowA("TApplication", "Renamed"), App().Handle());
    // Another instance's restore leaves it hidden.
    ShowWindow(found, SW_RESTORE);
    EXPECT_FALSE(IsWindowVisible(found));
}

struct Recorder {
    std::vector<std::string> events;
    void Attach(Control& c, const std::string& name) {
        c.onMouseDown = [this, name](Control&, MouseButton b, unsigned shift, int x, int y) {
            events.push_back(name + " down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," +
                             std::to_string(y) + ((shift & kDoubleClick) ? " dbl" : ""));
        };
        c.onMouseUp = [this, name](Control&, MouseButton b, unsigned, int x, int y) {
            events.push_back(name + " up " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," +
                             std::to_string(y));
        };
        c.onClick = [this, name](Control&) { events.push_back(name + " click"); };
        c.onDblClick = [this, name](Control&) { events.push_back(name + " dblclick"); };
        c.onMouseMove = [this, name](Control&, unsigned, int x, int y) {
            events.push_back(name + " move " + std::to_string(x) + "," + std::to_string(y));
        };
    }
};

TEST_F(FormsTest, MouseRoutingClickDoubleClickAndCapture) {
    Form form("TKbTestForm");
    form.SetBounds(100, 100, 200, 150);
    ASSERT_TRUE(form.Create());
    Image image(&form);
    image.SetBounds(20, 30, 50, 40);
    Recorder rec;
    rec.Attach(image, "image");
    rec.Attach(form, "form");
    form.Show();
    HWND w = form.Handle();

    // A click over the image: down, click, up, positions in the image.
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(25, 37));
    EXPECT_EQ(GetCapture(), w);
    SendMessageA(w, WM_LBUTTONUP, 0, At(26, 38));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"image down 0 5,7", "image click", "image up 0 6,8"}));
    rec.events.clear();

    // Released outside: the captured image hears the move and the release, no click.
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(25, 37));
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, At(150, 120));
    SendMessageA(w, WM_LBUTTONUP, 0, At(150, 120));
    EXPECT_EQ(rec.events,
              (std::vector<std::string>{"image down 0 5,7", "image move 130,90", "image up 0 130,90"}));
    rec.events.clear();

    // Another button: down and up (captured too), never a click.
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, At(25, 37));
    EXPECT_EQ(GetCapture(), w);
    SendMessageA(w, WM_RBUTTONUP, 0, At(-40, -40));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"image down 1 5,7", "image up 1 -60,-70"}));
    rec.events.clear();

    // A double click: down, click, up, double-click, down, up.
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(21, 31));
    SendMessageA(w, WM_LBUTTONUP, 0, At(21, 31));
    SendMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, At(21, 31));
    SendMessageA(w, WM_LBUTTONUP, 0, At(21, 31));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"image down 0 1,1", "image click", "image up 0 1,1",
                                                    "image dblclick", "image down 0 1,1 dbl", "image up 0 1,1"}));
    rec.events.clear();

    // Outside every child: the form itself. A hidden image gets no mouse.
    image.SetVisible(false);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(25, 37));
    SendMessageA(w, WM_LBUTTONUP, 0, At(25, 37));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"form down 0 25,37", "form click", "form up 0 25,37"}));
}

TEST_F(FormsTest, LostCaptureEndsThePressWithoutAClick) {
    Form form("TKbTestForm");
    form.SetBounds(0, 0, 100, 100);
    ASSERT_TRUE(form.Create());
    Recorder rec;
    rec.Attach(form, "form");
    form.Show();
    SendMessageA(form.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, At(5, 5));
    Form other("TKbTestForm");
    ASSERT_TRUE(other.Create());
    SetCapture(other.Handle());
    ReleaseCapture();
    EXPECT_EQ(rec.events, (std::vector<std::string>{"form down 1 5,5", "form up 1 -1,-1"}));
}

TEST_F(FormsTest, GraphicControlsArePaintedBeneathWindowedChildren) {
    Form form("TKbTestForm");
    form.SetBounds(0, 0, 120, 80);
    ASSERT_TRUE(form.Create());
    form.SetColor(0x102030);
    Image bg(&form);
    bg.autoSize = true;
    bg.SetPicture(Solid(60, 40, 0xAA0000));
    Image keyed(&form);
    keyed.SetBounds(0, 0, 10, 10);
    kb::win::DibBitmap spots = Solid(10, 10, 0x00FF00);
    spots.FillRect(0, 0, 5, 10, 0xFF00FF);
    keyed.SetPicture(std::move(spots));
    keyed.transparent = true;
    keyed.transparentColor = RGB(0xFF, 0x00, 0xFF);
    Gauge gauge(&form);
    gauge.SetBounds(0, 50, 100, 20);
    gauge.SetBorder(false);
    gauge.SetColors(RGB(255, 255, 255), RGB(0, 0, 255), RGB(0, 0, 0));
    gauge.SetProgress(50);
    Panel panel;
    panel.SetBounds(40, 20, 30, 40);
    ASSERT_TRUE(panel.Create(form));
    panel.SetColor(0x00CCCC);

    kb::win::DibBitmap shot;
    ASSERT_TRUE(shot.Create(120, 80));
    form.PaintTo(shot, 0, 0);
    EXPECT_EQ(shot.Pixel(100, 10), 0x102030u);  // form colour
    EXPECT_EQ(shot.Pixel(30, 30), 0xAA0000u);   // background image
    EXPECT_EQ(shot.Pixel(2, 5), 0xAA0000u);     // keyed pixel shows what lies beneath
    EXPECT_EQ(shot.Pixel(7, 5), 0x00FF00u);     // opaque pixel of the keyed image
    EXPECT_EQ(shot.Pixel(45, 30), 0x00CCCCu);   // the panel covers the image
    EXPECT_EQ(shot.Pixel(45, 55), 0x00CCCCu);   // and the gauge
    EXPECT_EQ(shot.Pixel(2, 52), 0x0000FFu);    // gauge bar up to half
    EXPECT_EQ(shot.Pixel(97, 67), 0xFFFFFFu);   // gauge back beyond it
}

TEST_F(FormsTest, AlignmentTopBottomThenLeftRightThenClient) {
    Form form("TKbTestForm");
    form.SetBounds(0, 0, 200, 100);
    ASSERT_TRUE(form.Create());
    Image top(&form), bottom(&form), left(&form), right(&form), client(&form);
    top.SetBounds(0, 0, 5, 10);
    bottom.SetBounds(0, 0, 5, 20);
    left.SetBounds(0, 0, 30, 5);
    right.SetBounds(0, 0, 40, 5);
    client.SetAlign(Align::Client);
    left.SetAlign(Align::Left);
    right.SetAlign(Align::Right);
    top.SetAlign(Align::Top);
    bottom.SetAlign(Align::Bottom);
    auto bounds = [](const Control& c) {
        return std::vector<int>{c.Left(), c.Top(), c.Width(), c.Height()};
    };
    EXPECT_EQ(bounds(top), (std::vector<int>{0, 0, 200, 10}));
    EXPECT_EQ(bounds(bottom), (std::vector<int>{0, 80, 200, 20}));
    EXPECT_EQ(bounds(left), (std::vector<int>{0, 10, 30, 70}));
    EXPECT_EQ(bounds(right), (std::vector<int>{160, 10, 40, 70}));
    EXPECT_EQ(bounds(client), (std::vector<int>{30, 10, 130, 70}));
    form.SetBounds(0, 0, 100, 50);  // follows the new size
    EXPECT_EQ(bounds(client), (std::vector<int>{30, 10, 30, 20}));
}

TEST_F(FormsTest, ModalResultsCloseRequestAndTermination) {
    Form owner("TKbTestForm");
    owner.SetBounds(0, 0, 50, 50);
    ASSERT_TRUE(owner.Create());
    owner.Show();
    Form dialog("TKbTestDialog");
    dialog.SetBounds(10, 10, 50, 50);
    ASSERT_TRUE(dialog.Create(owner.Handle()));

    bool ownerDisabledMeanwhile = false;
    Timer timer;
    timer.SetInterval(10);
    int step = 0;
    timer.onTimer = [&](Timer& t) {
        t.SetEnabled(false);
        ownerDisabledMeanwhile = !IsWindowEnabled(owner.Handle());
        if (step == 0) PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
        if (step == 1) dialog.SetModalResult(1);
        if (step == 2) App().Terminate();
    };
    ASSERT_TRUE(timer.SetEnabled(true));
    EXPECT_EQ(dialog.ShowModal(), 2);  // a close request
    EXPECT_TRUE(ownerDisabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));

    step = 1;
    ASSERT_TRUE(timer.SetEnabled(true));
    EXPECT_EQ(dialog.ShowModal(), 1);

    // A close query that refuses keeps the modal loop going until the result.
    step = 0;
    int asked = 0;
    dialog.onCloseQuery = [&](Form&) { return ++asked > 1; };
    Timer second;
    second.SetInterval(10);
    second.onTimer = [&](Timer& t) {
        if (asked == 0) {
            PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
        } else if (asked == 1) {
            PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
            t.SetEnabled(false);
        }
    };
    ASSERT_TRUE(second.SetEnabled(true));
    EXPECT_EQ(dialog.ShowModal(), 2);
    EXPECT_EQ(asked, 2);

    // Termination from inside the modal loop ends it (result 2) and the application.
    step = 2;
    ASSERT_TRUE(timer.SetEnabled(true));
    EXPECT_EQ(dialog.ShowModal(), 2);
    EXPECT_TRUE(App().Terminated());
    App().Run();  // returns at once: the run has ended
}

TEST_F(FormsTest, ClosingTheMainFormEndsTheApplication) {
    Form main("TKbTestForm");
    ASSERT_TRUE(main.Create());
    main.Show();
    EXPECT_EQ(App().MainForm(), &main);
    PostMessageA(main.Handle(), WM_CLOSE, 0, 0);
    const DWORD start = GetTickCount();
    App().Run();
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_TRUE(App().Terminated());
    EXPECT_FALSE(IsWindowVisible(main.Handle()));
}

TEST_F(FormsTest, KeyPreviewSeesKeysOfTheFocusedChildFirst) {
    Form form("TKbTestForm");
    form.SetBounds(0, 0, 200, 100);
    ASSERT_TRUE(form.Create());
    Edit edit;
    edit.SetBounds(0, 0, 150, 20);
    ASSERT_TRUE(edit.Create(form, 5));
    form.Show();
    SetFocus(edit.Native().Handle());
    std::vector<WORD> seen;
    form.keyPreview = true;
    form.onKeyDown = [&](Form&, WORD& key, unsigned) {
        seen.push_back(key);
        if (key == 'B') key = 0;  // eaten: the edit never gets it
    };
    for (WPARAM key : {WPARAM('A'), WPARAM('B')}) {
        PostMessageA(edit.Native().Handle(), WM_KEYDOWN, key, 1);
        PostMessageA(edit.Native().Handle(), WM_KEYUP, key, 0xC0000001);
    }
    ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 2; }));
    App().ProcessMessages();
    EXPECT_EQ(seen, (std::vector<WORD>{'A', 'B'}));
    EXPECT_EQ(edit.Native().Text(), "a");

    // Without key preview the form hears nothing of the child's keys.
    form.keyPreview = false;
    PostMessageA(edit.Native().Handle(), WM_KEYDOWN, 'C', 1);
    ASSERT_TRUE(PumpUntil([&] { return edit.Native().Text() == "ac"; }));
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(FormsTest, TimersTickUntilDisabled) {
    Timer timer;
    timer.SetInterval(10);
    int ticks = 0;
    timer.onTimer = [&](Timer& t) {
        if (++ticks == 3) t.SetEnabled(false);
    };
    EXPECT_FALSE(timer.Enabled());
    ASSERT_TRUE(timer.SetEnabled(true));
    ASSERT_TRUE(PumpUntil([&] { return !timer.Enabled(); }));
    EXPECT_EQ(ticks, 3);
}

TEST_F(FormsTest, ScreenCursorOverridesEveryControl) {
    Form form("TKbTestForm");
    form.SetBounds(0, 0, 100, 100);
    ASSERT_TRUE(form.Create());
    form.cursor = Cursor::HandPoint;
    form.Show();
    auto cursorNow = [&] {
        SendMessageA(form.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.Handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    SetCursorPos(50, 50);
    EXPECT_EQ(cursorNow(), LoadCursorA(nullptr, IDC_HAND));
    App().SetScreenCursor(Cursor::SizeAll);
    EXPECT_EQ(cursorNow(), LoadCursorA(nullptr, IDC_SIZEALL));
    App().SetScreenCursor(Cursor::Default);
    EXPECT_EQ(cursorNow(), LoadCursorA(nullptr, IDC_HAND));
}

TEST_F(FormsTest, NativeControlsTakeColoursFontsAndBorders) {
    Form form("TKbTestForm");
    form.SetBounds(0, 0, 200, 200);
    ASSERT_TRUE(form.Create());
    Edit edit;
    edit.SetBounds(10, 10, 100, 20);
    ASSERT_TRUE(edit.Create(form, 1));
    edit.SetBorder(false);
    EXPECT_FALSE(GetWindowLongA(edit.Native().Handle(), GWL_STYLE) & WS_BORDER);
    edit.SetColors(RGB(1, 2, 3), RGB(4, 5, 6));
    HDC dc = GetDC(edit.Native().Handle());
    const LRESULT brush = SendMessageA(form.Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(edit.Native().Handle()));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc), RGB(4, 5, 6));
    EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
    ReleaseDC(edit.Native().Handle(), dc);
    edit.SetFont({"Arial", DEFAULT_CHARSET, 12});
    EXPECT_NE(SendMessageA(edit.Native().Handle(), WM_GETFONT, 0, 0), 0);
    edit.SetBounds(5, 6, 70, 22);
    RECT r;
    GetWindowRect(edit.Native().Handle(), &r);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 6);
    EXPECT_EQ(r.right - r.left, 70);
    Memo memo;
    ListView list;
    TreeView tree;
    PushButton button;
    ASSERT_TRUE(memo.Create(form, 2));
    ASSERT_TRUE(list.Create(form, 3));
    ASSERT_TRUE(tree.Create(form, 4));
    ASSERT_TRUE(button.Create(form, 5, "OK"));
    EXPECT_EQ(form.Controls().size(), 5u);
}

}  // namespace
