// LumarForUtil.exe as a user meets it: started by a caller window of this
// test with the sample disc in the CD-ROM drive named by KB_CDROM_LETTER,
// driven from outside with clicks and keys, its list rows read back across
// processes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/app/tests/lumar_rig_win.h"
#include "loader/instance_guard.h"
#include "testing/uidriver/ui_driver.h"

namespace {

namespace fx = kb::loader::testing;
namespace ui = kb::uidriver;
using fx::PumpUntil;

// The loader numbers the sessions found in disc order: the sample disc's
// sessions 1 and 3 are the first and second, with list ids 1001 and 1002
// and tabs 101 and 102.
constexpr int kListIdOfSession1 = 1001;
constexpr int kListIdOfSession3 = 1002;

using Loader = fx::LumarRig;

TEST_F(Loader, OpensTheHighestSessionSwitchesTabsAndEndsOnlyThroughQuit) {
    const PROCESS_INFORMATION first = Start();
    const HWND window = ui::WaitForTopWindow({"TfrmMain", "", first.dwProcessId}, 30000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Handoffs() > 0; })) << "no hand-off message";

    // The sample disc holds sessions 1 and 3: session 3 is opened first.
    HWND list3 = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        list3 = SessionList(window, kListIdOfSession3);
        return list3 && IsWindowVisible(list3) && SendMessageA(list3, LVM_GETITEMCOUNT, 0, 0) > 0;
    })) << [&] {
        std::string seen = "list " + std::to_string(list3 != nullptr) + " enabled " + std::to_string(IsWindowEnabled(window)) + " b10 " + std::to_string(ui::FindChild(window, 10) != nullptr) + " b101 " + std::to_string(IsWindowVisible(ui::FindChild(window, 101))) + " b102 " + std::to_string(IsWindowVisible(ui::FindChild(window, 102))) + " b121 " + std::to_string(IsWindowVisible(ui::FindChild(window, 121))) + "; windows:";
        for (HWND w : ui::FindTopWindows({"", "", first.dwProcessId, false}))
            seen += " [" + ui::ClassOf(w) + " '" + ui::TextOf(w) + "']";
        for (const char* f : {"\\", "\\Session03", "\\Session03\\Control.pck", "\\Session03\\Files.lst", "\\Sessions.Pck"})
            seen += " " + std::string(f) + "=" + std::to_string(GetFileAttributesA((drive_ + f).c_str()));
        seen += " type=" + std::to_string(GetDriveTypeA((drive_ + "\\").c_str()));
        return seen;
    }();
    const std::vector<std::string> rows = ui::ListViewTexts(list3);
    EXPECT_FALSE(rows.empty());
    for (const std::string& row : rows) EXPECT_FALSE(row.empty());

    // Tab 101 opens session 1 and hides session 3's list.
    const HWND tab1 = ui::FindChild(window, 101);
    ASSERT_NE(tab1, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tab1) && IsWindowEnabled(window); }));
    const HWND quit = ui::FindChild(window, 10);
    ASSERT_NE(quit, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(quit) != FALSE; }));
    ui::SaveWindowPng(window, fx::ProgramFolder() + "\\lumar_main_window.png");
    ASSERT_TRUE(ui::Click(tab1));
    ASSERT_TRUE(PumpUntil([&] {
        const HWND list1 = SessionList(window, kListIdOfSession1);
        return list1 && IsWindowVisible(list1) && !IsWindowVisible(list3);
    })) << "session 1 was not shown";

    // A second loader only brings the first forward and ends.
    const PROCESS_INFORMATION second = Start();
    ASSERT_TRUE(PumpUntil([&] { return fx::Exited(second.hProcess); }));
    EXPECT_EQ(ui::FindTopWindows({"TfrmMain", "", second.dwProcessId}).size(), 0u);

    // Alt+F4 (a close request) is refused.
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(ui::AskToClose(window));
    EXPECT_FALSE(PumpUntil([&] { return fx::Exited(first.hProcess) || !IsWindowVisible(window); }, 1500));

    // No eraser lies beside this loader: the quit says so (message 999) and ends.
    ASSERT_TRUE(ui::Click(quit));
    const auto box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, first.dwProcessId, 30000);
    ASSERT_TRUE(box.has_value()) << "no message about the missing eraser";
    EXPECT_EQ(box->text, "M999");
    ASSERT_TRUE(ui::AnswerMessageBox(box->window, IDOK));
    ASSERT_TRUE(PumpUntil([&] { return fx::Exited(first.hProcess); }));
    EXPECT_EQ(Handoffs(), 1);
}

// A second start while the first is minimised: the second ends and the
// first one's main window is restored and is the foreground window.
TEST_F(Loader, ASecondStartRestoresTheMinimisedFirstAndBringsItToTheFront) {
    const PROCESS_INFORMATION first = Start();
    const HWND window = ui::WaitForTopWindow({"TfrmMain", "", first.dwProcessId}, 30000);
    ASSERT_NE(window, nullptr);
    const HWND quit = ui::FindChild(window, 10);
    ASSERT_NE(quit, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(quit) && IsWindowEnabled(window); })) << "never ready";

    for (int round = 0; round < 2; ++round) {
        ShowWindow(window, SW_MINIMIZE);
        ASSERT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; })) << round;
        const PROCESS_INFORMATION second = Start();
        ASSERT_TRUE(PumpUntil([&] { return fx::Exited(second.hProcess); })) << round;
        DWORD code = 99;
        GetExitCodeProcess(second.hProcess, &code);
        EXPECT_EQ(code, 0u) << round;
        EXPECT_TRUE(PumpUntil([&] {
            return !IsIconic(window) && IsWindowVisible(window) && GetForegroundWindow() == window;
        })) << round << ": iconic " << IsIconic(window) << ", foreground " << ui::ClassOf(GetForegroundWindow());
    }
    EXPECT_FALSE(fx::Exited(first.hProcess));

    // With a modal box up (the quit's message 999: no eraser beside this
    // loader), the box is what comes to the front.
    ASSERT_TRUE(ui::Click(quit));
    const auto box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, first.dwProcessId, 30000);
    ASSERT_TRUE(box.has_value());
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; }));
    const PROCESS_INFORMATION third = Start();
    ASSERT_TRUE(PumpUntil([&] { return fx::Exited(third.hProcess); }));
    EXPECT_TRUE(PumpUntil([&] {
        return !IsIconic(window) && IsWindowVisible(box->window) && GetForegroundWindow() == box->window;
    })) << "iconic " << IsIconic(window) << ", foreground " << ui::ClassOf(GetForegroundWindow());
    ASSERT_TRUE(ui::AnswerMessageBox(box->window, IDOK));
    ASSERT_TRUE(PumpUntil([&] { return fx::Exited(first.hProcess); }));
}

}  // namespace
