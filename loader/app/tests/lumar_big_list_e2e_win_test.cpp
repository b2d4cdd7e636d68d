// LumarForUtil.exe on a disc whose file lists go past what the loader holds
// (the "big-list" disc in the CD-ROM drive named by KB_CDROM_LETTER): each
// such session says so with message 5, keeps what it may hold, and the
// window stays usable. Run on both builds; the i686 one is the shipped one.
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

// Sessions 1 and 2 of the disc: lists 1001 and 1002, tabs 101 and 102.
constexpr int kListOfRows = 1001;
constexpr int kListOfBytes = 1002;
// Reading and sorting a million rows under Wine takes a while.
constexpr DWORD kOpenMs = 240000;

using LoaderOnBigLists = fx::LumarRig;

TEST_F(LoaderOnBigLists, EachListPastTheLimitGivesMessage5AndTheWindowStaysUsable) {
    const PROCESS_INFORMATION loader = Start();
    const HWND window = ui::WaitForTopWindow({"TfrmMain", "", loader.dwProcessId}, 30000);
    ASSERT_NE(window, nullptr);

    // Session 2 opens first: its list is one byte too long to be read.
    auto box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader.dwProcessId, kOpenMs);
    ASSERT_TRUE(box.has_value()) << "no message for the list over the byte limit";
    EXPECT_EQ(box->text, "M5");
    ASSERT_TRUE(ui::AnswerMessageBox(box->window, IDOK));
    const HWND quit = ui::FindChild(window, 10);
    ASSERT_NE(quit, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(window) && IsWindowVisible(quit); }, kOpenMs));
    const HWND bytes = SessionList(window, kListOfBytes);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(SendMessageA(bytes, LVM_GETITEMCOUNT, 0, 0), 0) << "no row of a list that was not read";

    // Session 1 lists one row more than the loader holds: the rows before
    // the limit are on view.
    const HWND tab1 = ui::FindChild(window, 101);
    ASSERT_NE(tab1, nullptr);
    ASSERT_TRUE(ui::Click(tab1));
    box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader.dwProcessId, kOpenMs);
    ASSERT_TRUE(box.has_value()) << "no message for the list over the row limit";
    EXPECT_EQ(box->text, "M5");
    ASSERT_TRUE(ui::AnswerMessageBox(box->window, IDOK));
    HWND rows = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        rows = SessionList(window, kListOfRows);
        return rows && IsWindowVisible(rows) && IsWindowEnabled(window);
    }, kOpenMs));
    EXPECT_EQ(ui::ListViewTexts(rows), (std::vector<std::string>{"Fill", "first.txt"}));
    ui::SaveWindowPng(window, fx::ProgramFolder() + "\\lumar_big_list.png");

    // Still answering: quit (no eraser beside this loader: message 999).
    ASSERT_TRUE(ui::Click(quit));
    box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader.dwProcessId, 30000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "M999");
    ASSERT_TRUE(ui::AnswerMessageBox(box->window, IDOK));
    ASSERT_TRUE(PumpUntil([&] { return fx::Exited(loader.hProcess); }));
}

}  // namespace
