// The shell's folder picker behind the prompt seam, driven as a user would:
// cancelled, and a folder chosen once the picker has settled.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <thread>

#include "testing/kit/temp_folder.h"
#include "loader/win/platform_win.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::loader {
namespace {

HWND ThePicker() {
    uidriver::WindowQuery q;
    q.windowClass = "#32770";
    q.pid = GetCurrentProcessId();
    return uidriver::WaitForTopWindow(q, 30000);
}

BOOL CALLBACK FindTree(HWND window, LPARAM param) {
    if (uidriver::ClassOf(window) != "SysTreeView32") return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

std::string SelectedName(HWND picker) {
    HWND tree = nullptr;
    EnumChildWindows(picker, &FindTree, reinterpret_cast<LPARAM>(&tree));
    if (!tree) return {};
    char text[MAX_PATH] = {};
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return {};
    return text;
}

// A selection made while the picker still fills its tree is lost: select
// until the tree shows the folder, then confirm.
bool Choose(HWND picker, const std::string& path) {
    const std::string leaf = path.substr(path.find_last_of('\\') + 1);
    for (int i = 0; i < 600; ++i) {
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        if (SelectedName(picker) == leaf) return PostMessageA(picker, WM_COMMAND, IDOK, 0) != FALSE;
        Sleep(50);
    }
    PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    return false;
}

TEST(ShellFolderPrompt, ACancelGivesNothingAndAChoiceGivesItsPath) {
    kb::testing::TempDir dir;
    ShellFolderPrompt prompt(nullptr);
    std::string folder = "stale";
    std::thread cancel([] {
        if (HWND picker = ThePicker()) PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(SelectFolder(prompt, "", L"", folder));
    cancel.join();
    EXPECT_EQ(folder, "");

    bool chosen = false;
    std::thread choose([&] {
        if (HWND picker = ThePicker()) chosen = Choose(picker, dir.path());
    });
    EXPECT_TRUE(SelectFolder(prompt, "Pick", L"", folder));
    choose.join();
    EXPECT_TRUE(chosen);
    EXPECT_EQ(folder, dir.path());
}

}  // namespace
}  // namespace kb::loader
