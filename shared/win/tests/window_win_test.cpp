// The window layer on the real platform: the procedure finds its object, a
// throwing handler does not escape, controls and handles behave.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "shared/win/controls.h"
#include "shared/win/font.h"
#include "shared/win/handles.h"
#include "shared/win/window.h"

namespace {

using kb::win::Window;

class Probe : public Window {
public:
    int userMessages = 0;
    bool destroyed = false;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_USER + 1) {
            ++userMessages;
            return 42;
        }
        if (message == WM_USER + 2) throw std::runtime_error("handler failed");
        return Window::HandleMessage(message, wParam, lParam);
    }
    void HandleDestroyed() override { destroyed = true; }
};

bool RegisterProbe() { return kb::win::RegisterWindowClass({"KbProbeWindow", CS_DBLCLKS}); }

TEST(Window, RegistersOnceAndAttachesTheObject) {
    ASSERT_TRUE(RegisterProbe());
    EXPECT_TRUE(RegisterProbe());  // a second registration is no failure
    Probe probe;
    ASSERT_TRUE(probe.Create({"KbProbeWindow", "probe", WS_POPUP}));
    char name[64] = {};
    GetClassNameA(probe.Handle(), name, sizeof name);
    EXPECT_STREQ(name, "KbProbeWindow");
    EXPECT_EQ(Window::FromHandle(probe.Handle()), &probe);
    EXPECT_EQ(SendMessageA(probe.Handle(), WM_USER + 1, 0, 0), 42);
    EXPECT_EQ(probe.userMessages, 1);
    // The default answer of an unknown user message is 0; the exception stays inside.
    EXPECT_EQ(SendMessageA(probe.Handle(), WM_USER + 2, 0, 0), 0);
    HWND handle = probe.Handle();
    probe.Destroy();
    EXPECT_TRUE(probe.destroyed);
    EXPECT_EQ(probe.Handle(), nullptr);
    EXPECT_FALSE(IsWindow(handle));
}

TEST(Window, ObjectDestructionDestroysTheWindow) {
    ASSERT_TRUE(RegisterProbe());
    HWND handle = nullptr;
    {
        Probe probe;
        ASSERT_TRUE(probe.Create({"KbProbeWindow", "", WS_POPUP}));
        handle = probe.Handle();
    }
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(Window::FromHandle(GetDesktopWindow()), nullptr);
}

TEST(Window, AClassOfAnotherProcedureIsRefused) {
    Probe probe;
    EXPECT_FALSE(probe.Create({"BUTTON", "", WS_POPUP}));
    EXPECT_EQ(probe.Handle(), nullptr);
}

TEST(ScopedHandles, MoveHandsOverAndResetCloses) {
    kb::win::ScopedRegion a(CreateRectRgn(0, 0, 10, 10));
    ASSERT_TRUE(a.Valid());
    HRGN raw = a.Get();
    kb::win::ScopedRegion b(std::move(a));
    EXPECT_FALSE(a.Valid());
    EXPECT_EQ(b.Get(), raw);
    EXPECT_NE(GetObjectType(raw), 0u);
    b.Reset();
    EXPECT_EQ(GetObjectType(raw), 0u);  // deleted exactly once, by the owner
    kb::win::ScopedRegion c(CreateRectRgn(0, 0, 1, 1));
    HRGN kept = c.Release();
    EXPECT_FALSE(c.Valid());
    EXPECT_NE(GetObjectType(kept), 0u);
    DeleteObject(kept);
    kb::win::ScopedFile none;
    EXPECT_EQ(none.Get(), INVALID_HANDLE_VALUE);
}

TEST(Controls, EditLimitPasswordAndText) {
    ASSERT_TRUE(RegisterProbe());
    Probe parent;
    ASSERT_TRUE(parent.Create({"KbProbeWindow", "", WS_POPUP, 0, 0, 0, 200, 100}));
    kb::win::Edit edit;
    ASSERT_TRUE(edit.Create({.parent = parent.Handle(), .id = 7, .width = 100, .height = 20}));
    EXPECT_EQ(GetDlgCtrlID(edit.Handle()), 7);
    edit.SetLimit(255);
    EXPECT_EQ(SendMessageA(edit.Handle(), EM_GETLIMITTEXT, 0, 0), 255);
    edit.SetPasswordChar('*');
    EXPECT_EQ(SendMessageA(edit.Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
    edit.SetText("secret");
    EXPECT_EQ(edit.Text(), "secret");
    kb::win::MultiLineEdit memo;
    ASSERT_TRUE(memo.Create({.parent = parent.Handle(), .id = 8, .y = 30, .width = 100, .height = 40}));
    memo.SetReadOnly(true);
    EXPECT_TRUE(GetWindowLongA(memo.Handle(), GWL_STYLE) & ES_MULTILINE);
    EXPECT_TRUE(GetWindowLongA(memo.Handle(), GWL_STYLE) & ES_READONLY);
    kb::win::ListView list;
    kb::win::TreeView tree;
    kb::win::PushButton button;
    ASSERT_TRUE(list.Create({.parent = parent.Handle(), .id = 9, .width = 50, .height = 50}));
    ASSERT_TRUE(tree.Create({.parent = parent.Handle(), .id = 10, .width = 50, .height = 50}));
    ASSERT_TRUE(button.Create({.parent = parent.Handle(), .id = 11, .width = 50, .height = 20, .text = "OK"}));
    char name[64] = {};
    GetClassNameA(list.Handle(), name, sizeof name);
    EXPECT_STREQ(name, "SysListView32");
    GetClassNameA(tree.Handle(), name, sizeof name);
    EXPECT_STREQ(name, "SysTreeView32");
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(tree.ItemCount(), 0);
    EXPECT_EQ(button.Text(), "OK");
}

TEST(Fonts, HeightFromPointsAndFaceCutAtTheLimit) {
    HDC screen = GetDC(nullptr);
    const int perInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const LOGFONTA lf = kb::win::LogFontFor({"Arial", SHIFTJIS_CHARSET, 9});
    EXPECT_EQ(lf.lfHeight, -MulDiv(9, perInch, 72));
    EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    const LOGFONTA longFace = kb::win::LogFontFor({std::string(40, 'a'), DEFAULT_CHARSET, 0});
    EXPECT_EQ(std::string(longFace.lfFaceName), std::string(LF_FACESIZE - 1, 'a'));
    EXPECT_EQ(longFace.lfHeight, 0);
    EXPECT_TRUE(kb::win::CreateFontFor({"Arial", DEFAULT_CHARSET, 10}).Valid());
}

}  // namespace
