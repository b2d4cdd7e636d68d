// Driving the programs under test from outside, as a user would: find their
// top-level windows, read and close message boxes, click child windows, type
// into edits, and keep a PNG screenshot of a window.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kb::uidriver {

// What to look for; empty class or title, and pid 0, match anything. Only
// visible windows are matched unless visibleOnly is false.
struct WindowQuery {
    std::string windowClass;
    std::string title;
    DWORD pid = 0;
    bool visibleOnly = true;
};

// The folder of the running program (where the built programs lie).
std::string ProgramFolder();

// Waits for done while handling this thread's messages; false when timeoutMs
// passed first.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs = 30000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
    }
    return true;
}

std::vector<HWND> FindTopWindows(const WindowQuery& query);
// The first matching window, polled until timeoutMs has passed; null then.
HWND WaitForTopWindow(const WindowQuery& query, DWORD timeoutMs);

std::string ClassOf(HWND window);
// A window's text through WM_GETTEXT, which waits for the window's thread: a
// control's contents (an edit's, a static's).
std::string TextOf(HWND window);
// A top-level window's caption, as its title bar shows it. Read without a
// message to the window's thread when that thread is another process's, so a
// program busy between its own messages (sleeping, or waiting on another
// program) is looked at as it is, not waited for.
std::string TitleOf(HWND window);

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string title;
    std::string text;  // the static with id 0xFFFF
};
// A message box (class "#32770" with a static of id 0xFFFF) whose title
// matches (empty: any) of process pid (0: any), polled until timeoutMs.
std::optional<MessageBoxSeen> WaitForMessageBox(const std::string& title, DWORD pid, DWORD timeoutMs);
// Presses the box's button (IDOK, IDCANCEL, IDYES, ...) and waits until the
// box has gone, as a user sees it go; false when it is still there after a
// minute.
bool AnswerMessageBox(HWND box, int button);

// The child window of parent with control id, at any depth; null when none.
HWND FindChild(HWND parent, int id);
// The first child window of parent of a window class, at any depth; null when none.
HWND FindChildOfClass(HWND parent, const std::string& windowClass);
// A left click at the middle of a child window (button down, button up).
bool Click(HWND child);
// The text of every row of a list view in column (0: the caption), which may
// belong to another process.
std::vector<std::string> ListViewTexts(HWND list, int column = 0);

// One node of a tree view: its text, its depth (0 for a top-level node), its
// image and its data.
struct TreeNode {
    std::string text;
    int depth = 0;
    int image = -1;
    LPARAM data = 0;
};
// Every node of a tree view, which may belong to another process, in display
// order (each node followed by its children).
std::vector<TreeNode> TreeViewNodes(HWND tree);
// A left click on row of a list view of any process, Ctrl held when
// addToSelection, so its owner sees the selection change as from a user.
bool ClickListRow(HWND list, int row, bool addToSelection = false);
// The rectangle of row's caption in list's client coordinates (list may
// belong to another process); false when the row is not there.
bool ListRowLabelRect(HWND list, int row, RECT& rect);
bool DoubleClickListRow(HWND list, int row);
// Every row of a list view of any process selected at once, each row's change
// reported to its owner as a click's would be.
bool SelectAllListRows(HWND list);
// In the shell's folder picker of another process: selects folder (once the
// picker has settled and shows it) and presses OK. False when the picker
// never showed the folder within 30 s; the picker is then cancelled.
bool ChooseFolder(HWND picker, const std::string& folder);
// Replaces the text of an edit as typing would leave it (EN_CHANGE follows).
bool TypeText(HWND edit, const std::string& text);
// Asks a window to close.
bool AskToClose(HWND window);

// The pixels of window as the screen shows them (top to bottom, 0xAARRGGBB),
// with its size; false when it cannot be read.
bool CaptureWindow(HWND window, std::vector<uint32_t>& pixels, int& width, int& height);
// A PNG file of pixels (8-bit RGB).
bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);
// CaptureWindow and WritePng.
bool SaveWindowPng(HWND window, const std::string& path);

}  // namespace kb::uidriver
