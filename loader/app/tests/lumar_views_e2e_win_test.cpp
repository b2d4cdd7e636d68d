// LumarForUtil.exe's main window as a user meets it on the sample disc in
// the CD-ROM drive named by KB_CDROM_LETTER: the folder tree a selection
// builds, the buttons shown at start, the windows of a skin that lacks its
// backgrounds, and a loader folder without the archive library.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "loader/app/tests/lumar_rig_win.h"
#include "loader/instance_guard.h"
#include "shared/messages.h"
#include "testing/uidriver/ui_driver.h"

namespace {

namespace fx = kb::loader::testing;
namespace ui = kb::uidriver;
using fx::PumpUntil;

// Sessions 1 and 3 of the sample disc are the first and second found.
constexpr int kListOfSession1 = 1001, kListOfSession3 = 1002;
constexpr int kTreeOfSession1 = 2001;
constexpr int kQuit = 10, kExport = 11, kWriter = 121, kTab1 = 101;
constexpr int kPasswordCancel = 21;
// The main window's and the password dialog's size before a skin gives them one.
constexpr int kMainDesignWidth = 640, kMainDesignHeight = 480;
constexpr int kPasswordDesignWidth = 204, kPasswordDesignHeight = 92;

SIZE ClientSize(HWND w) {
    RECT r{};
    GetClientRect(w, &r);
    return {r.right, r.bottom};
}

// The window that has the keyboard focus in window's thread.
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

HWND ChildOnPage(HWND window, int id) {
    for (HWND page = FindWindowExA(window, nullptr, "TPanel", nullptr); page;
         page = FindWindowExA(window, page, "TPanel", nullptr))
        if (HWND child = ui::FindChild(page, id)) return child;
    return nullptr;
}

class Views : public fx::LumarRig {
protected:
    // Starts the loader; the main window once start-up has ended, the session
    // on view with rows. Meanwhile records whether the writer's button showed.
    HWND StartAndWait() {
        loader_ = Start();
        const HWND window = ui::WaitForTopWindow({"TfrmMain", "", loader_.dwProcessId}, 30000);
        if (!window) return nullptr;
        const bool ready = PumpUntil([&] {
            const HWND writer = ui::FindChild(window, kWriter);
            if (writer && IsWindowVisible(writer)) writerShown_ = true;
            const HWND quit = ui::FindChild(window, kQuit);
            const HWND list = SessionList(window, kListOfSession3);
            return IsWindowEnabled(window) && quit && IsWindowVisible(quit) && list && IsWindowVisible(list) &&
                   SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0;
        });
        return ready ? window : nullptr;
    }

    // Quits through button 10, or with the writer's hand-off message; no
    // eraser lies beside this loader (message 999).
    void Quit(HWND window, bool byHandoff = false) {
        if (byHandoff)
            ASSERT_TRUE(PostMessageA(window, kb::WM_HANDOFF_CLOSE, 0, 0));
        else
            ASSERT_TRUE(ui::Click(ui::FindChild(window, kQuit)));
        const auto box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader_.dwProcessId, 30000);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, "M999");
        ASSERT_TRUE(ui::AnswerMessageBox(box->window, IDOK));
        ASSERT_TRUE(PumpUntil([&] { return fx::Exited(loader_.hProcess); }));
    }

    PROCESS_INFORMATION loader_{};
    bool writerShown_ = false;
};

TEST_F(Views, TheFolderTreeShowsTheSelectionWithItsIconsAndHandsTheKeysToTheList) {
    const HWND window = StartAndWait();
    ASSERT_NE(window, nullptr) << "the loader did not end its start-up";
    // Every button starts hidden; the writer's is never shown in loader mode.
    EXPECT_FALSE(writerShown_);
    EXPECT_FALSE(IsWindowVisible(ui::FindChild(window, kWriter)));

    ASSERT_TRUE(ui::Click(ui::FindChild(window, kTab1)));
    HWND list = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        list = SessionList(window, kListOfSession1);
        return list && IsWindowVisible(list) && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0 &&
               IsWindowEnabled(window);
    })) << "session 1 was not shown";
    const HWND tree = ChildOnPage(window, kTreeOfSession1);
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(ui::TreeViewNodes(tree).empty()) << "the tree is filled before any selection";

    const std::vector<std::string> rows = ui::ListViewTexts(list);
    const auto rowOf = [&](const std::string& caption) {
        const auto at = std::find(rows.begin(), rows.end(), caption);
        return at == rows.end() ? -1 : static_cast<int>(at - rows.begin());
    };
    // The list shows the top level; a folder's row stands for all it holds.
    const int docs = rowOf("Docs"), readme = rowOf("readme.txt");
    ASSERT_GE(docs, 0);
    ASSERT_GE(readme, 0);
    ASSERT_TRUE(ui::ClickListRow(list, docs));
    ASSERT_TRUE(ui::ClickListRow(list, readme, true));

    // The tree of what the selection exports: the folders, each once, with
    // the sub-folder first; "Docs\" comes after its sub-folder, so its node
    // carries no row.
    std::vector<ui::TreeNode> nodes;
    ASSERT_TRUE(PumpUntil([&] {
        nodes = ui::TreeViewNodes(tree);
        return nodes.size() == 5 && IsWindowVisible(ui::FindChild(window, kExport));
    })) << nodes.size();
    std::vector<std::string> shape;
    for (const ui::TreeNode& n : nodes) shape.push_back(std::string(static_cast<size_t>(n.depth) * 2, ' ') + n.text);
    EXPECT_EQ(shape, (std::vector<std::string>{"Docs", "  Sub", "    b.bin", "  a.txt", "readme.txt"}));
    EXPECT_EQ(nodes[0].data, -1);
    EXPECT_GE(nodes[1].data, 0);
    EXPECT_GE(nodes[2].data, 0);
    EXPECT_GE(nodes[3].data, 0);
    EXPECT_GE(nodes[4].data, 0);
    // Folders share one icon; the text files share another.
    EXPECT_GE(nodes[0].image, 0);
    EXPECT_EQ(nodes[1].image, nodes[0].image);
    EXPECT_GE(nodes[3].image, 0);
    EXPECT_NE(nodes[3].image, nodes[0].image);
    EXPECT_EQ(nodes[4].image, nodes[3].image);
    ui::SaveWindowPng(window, fx::ProgramFolder() + "\\lumar_views_tree.png");

    // A press and a release of any button on the tree hand the keys to the
    // file list. The focus is put on the tree first, as a tab would.
    const DWORD loaderThread = GetWindowThreadProcessId(window, nullptr);
    ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), loaderThread, TRUE));
    SetFocus(tree);
    AttachThreadInput(GetCurrentThreadId(), loaderThread, FALSE);
    ASSERT_TRUE(PumpUntil([&] { return FocusOf(window) == tree; }));
    PostMessageA(tree, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(40, 5));
    PostMessageA(tree, WM_MBUTTONUP, 0, MAKELPARAM(40, 5));
    EXPECT_TRUE(PumpUntil([&] { return FocusOf(window) == list; })) << "the list did not take the keys";

    Quit(window);
}

// A skin archive without the main window's and the password dialog's
// backgrounds: both windows keep their design size, so a user sees them,
// answers the dialog and quits.
class NoBackgrounds : public Views {
protected:
    NoBackgrounds() { leaveOut_ = {"bg.bmp", "rpbg.bmp"}; }
};

TEST_F(NoBackgrounds, TheWindowsStillShowAndAnswer) {
    const HWND window = StartAndWait();
    ASSERT_NE(window, nullptr) << "the loader did not end its start-up";
    const SIZE main = ClientSize(window);
    EXPECT_EQ(main.cx, kMainDesignWidth);
    EXPECT_EQ(main.cy, kMainDesignHeight);
    ui::SaveWindowPng(window, fx::ProgramFolder() + "\\lumar_views_no_background.png");

    const HWND list = SessionList(window, kListOfSession3);
    ASSERT_TRUE(ui::ClickListRow(list, 0));
    const HWND exportButton = ui::FindChild(window, kExport);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(exportButton) != FALSE; }));
    ASSERT_TRUE(ui::Click(exportButton));
    const auto notice = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader_.dwProcessId, 30000);
    ASSERT_TRUE(notice.has_value()) << "no notice before the export";
    ASSERT_TRUE(ui::AnswerMessageBox(notice->window, IDOK));

    const HWND password = ui::WaitForTopWindow({"TfrmPassword", "", loader_.dwProcessId}, 30000);
    ASSERT_NE(password, nullptr) << "no password dialog";
    const SIZE asked = ClientSize(password);
    EXPECT_EQ(asked.cx, kPasswordDesignWidth);
    EXPECT_EQ(asked.cy, kPasswordDesignHeight);
    EXPECT_FALSE(IsWindowEnabled(window));
    ui::SaveWindowPng(password, fx::ProgramFolder() + "\\lumar_views_no_background_password.png");
    const HWND cancel = ui::FindChild(password, kPasswordCancel);
    ASSERT_NE(cancel, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(cancel) != FALSE; }));
    ASSERT_TRUE(ui::Click(cancel));
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(password) && IsWindowEnabled(window); }))
        << "the dialog did not answer";

    Quit(window);
}

// Without Arkstow.dll the window's skin reports each function it lacks once,
// however many parts of the window it loads; the window still comes up.
class NoArchiveLibrary : public Views {
protected:
    NoArchiveLibrary() { leaveOut_ = {"Arkstow.dll"}; }
};

TEST_F(NoArchiveLibrary, EachMissingFunctionIsReportedOnce) {
    loader_ = Start();
    std::map<std::string, int> reports;
    std::set<HWND> answered;
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        for (HWND box : ui::FindTopWindows({"#32770", "", loader_.dwProcessId})) {
            const HWND text = GetDlgItem(box, 0xFFFF);
            if (!text || !answered.insert(box).second) continue;
            ++reports[ui::TextOf(text)];
            ui::AnswerMessageBox(box, IDOK);
        }
        const std::vector<HWND> mains = ui::FindTopWindows({"TfrmMain", "", loader_.dwProcessId});
        window = mains.empty() ? nullptr : mains[0];
        const HWND quit = window ? ui::FindChild(window, kQuit) : nullptr;
        return window && IsWindowEnabled(window) && quit && IsWindowVisible(quit);
    })) << reports.size();
    ASSERT_FALSE(reports.empty()) << "no report of the missing library";
    for (const auto& [text, count] : reports) {
        EXPECT_NE(text.find("() not found in Arkstow.dll"), std::string::npos) << text;
        EXPECT_EQ(count, 1) << text;
    }

    // Its buttons have no images to be clicked: the writer's hand-off ends it.
    Quit(window, true);
}

}  // namespace
