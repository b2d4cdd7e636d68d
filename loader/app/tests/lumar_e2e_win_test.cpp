// LumarForUtil.exe as a user meets it: started by a caller window of this
// test with the sample disc in the CD-ROM drive named by KB_CDROM_LETTER,
// driven from outside with clicks and keys, its list rows read back across
// processes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "loader/instance_guard.h"
#include "loader/skin/tests/skin_fixture_win.h"
#include "shared/messages.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace {

using kb::testing::TempDir;
namespace fx = kb::loader::testing;
namespace ui = kb::uidriver;

// The loader numbers the sessions found in disc order: the sample disc's
// sessions 1 and 3 are the first and second, with list ids 1001 and 1002
// and tabs 101 and 102.
constexpr int kListIdOfSession1 = 1001;
constexpr int kListIdOfSession3 = 1002;

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

// Waits for done while handling this thread's messages (the caller window's).
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

int g_handoffs = 0;
LRESULT CALLBACK CallerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == kb::WM_HANDOFF_CLOSE) ++g_handoffs;
    return DefWindowProcA(w, m, wp, lp);
}

// Every caption of a list view of another process.
std::vector<std::string> ListCaptions(HWND list, DWORD pid) {
    std::vector<std::string> rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return rows;
    const size_t textSize = 512;
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
    for (int i = 0; remote && i < count; ++i) {
        LVITEMA item{};
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = static_cast<int>(textSize);
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        const auto length = SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        std::string text(textSize, '\0');
        ReadProcessMemory(process, remote + sizeof(LVITEMA), text.data(), textSize, nullptr);
        text.resize(static_cast<size_t>(length));
        rows.push_back(text);
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return rows;
}

std::string ButtonList() {
    std::string btn = "$FF00FF\r\n";
    auto line = [&](int x, int y, int id) {
        btn += "tab0,tab1," + std::to_string(x) + "," + std::to_string(y) + ",0," + std::to_string(id) + "\r\n";
    };
    line(10, 400, 10);
    line(60, 400, 11);
    for (int n = 1; n <= 20; ++n) line(10 + 30 * (n - 1), 10, 100 + n);
    line(110, 400, 121);
    return btn;
}

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        const char* letter = getenv("KB_CDROM_LETTER");
        if (!letter || !*letter) GTEST_SKIP() << "no CD-ROM drive mapped";
        drive_ = std::string(1, letter[0]) + ":";
        program_ = temp_.path() + "\\prog";
        const std::string stage = temp_.path() + "\\stage";
        ASSERT_TRUE(CreateDirectoryA(program_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((program_ + "\\skin").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(stage.c_str(), nullptr));
        for (const char* file : {"LumarForUtil.exe", "Kabbit.dll", "Arkstow.dll", "Spurlane.dll"})
            ASSERT_TRUE(CopyFileA((BinDir() + "\\" + file).c_str(), (program_ + "\\" + file).c_str(), FALSE)) << file;
        ASSERT_TRUE(CopyFileA((BinDir() + "\\standins\\kellmark_complete\\Kellmark.dll").c_str(),
                              (program_ + "\\Kellmark.dll").c_str(), FALSE));
        std::string ini = "[Loader]\r\n";
        for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 208, 999}) {
            char key[16];
            std::snprintf(key, sizeof key, "Message%.3d", n);
            ini += std::string(key) + "=M" + std::to_string(n) + "\r\n";
        }
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\Message.Ini", ini));
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\skin\\Reader.def",
                                       "[RmBg]\r\nName=bg\r\nMove=1\r\n"
                                       "[RmPageView]\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                                       "[RmPageWork]\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                                       "[RmPageInit]\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                                       "[RmStatus]\r\nLeft=200\r\nTop=400\r\nWidth=200\r\nHeight=16\r\n"
                                       "[RmVolume]\r\nLeft=10\r\nTop=5\r\nWidth=200\r\nHeight=16\r\n"
                                       "[RmSize]\r\nLeft=300\r\nTop=5\r\nWidth=200\r\nHeight=16\r\n"
                                       "[RmListView]\r\nLeft=10\r\nTop=30\r\nWidth=300\r\nHeight=300\r\n"
                                       "[RmTreeView]\r\nLeft=320\r\nTop=30\r\nWidth=300\r\nHeight=300\r\n"));
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\skin\\Reader.btn", ButtonList()));
        ASSERT_EQ(fx::WriteSkinArchive(program_, stage,
                                       {{"bg.bmp", fx::SolidBmp(640, 440, 0x3366CC)},
                                        {"tab0.bmp", fx::SolidBmp(28, 20, 0xFF0000)},
                                        {"tab1.bmp", fx::SolidBmp(28, 20, 0x00FF00)}}),
                  0);

        WNDCLASSA wc{};
        wc.lpfnWndProc = CallerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LumarTestCaller";
        RegisterClassA(&wc);
        caller_ = CreateWindowA("LumarTestCaller", "caller", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
        ASSERT_NE(caller_, nullptr);
        g_handoffs = 0;
    }

    void TearDown() override {
        for (PROCESS_INFORMATION& p : processes_) {
            if (WaitForSingleObject(p.hProcess, 15000) != WAIT_OBJECT_0) {
                ADD_FAILURE() << "a loader did not end";
                TerminateProcess(p.hProcess, 1);
                WaitForSingleObject(p.hProcess, 5000);
            }
            CloseHandle(p.hThread);
            CloseHandle(p.hProcess);
        }
        if (caller_) DestroyWindow(caller_);
    }

    PROCESS_INFORMATION Start() {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string command = "\"" + program_ + "\\LumarForUtil.exe\" /D:" + drive_ +
                              " /H:" + std::to_string(reinterpret_cast<intptr_t>(caller_));
        PROCESS_INFORMATION p{};
        EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, program_.c_str(), &si,
                                   &p));
        processes_.push_back(p);
        return p;
    }

    TempDir temp_;
    std::string drive_, program_;
    HWND caller_ = nullptr;
    std::vector<PROCESS_INFORMATION> processes_;
};

bool Exited(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

TEST_F(Loader, OpensTheHighestSessionSwitchesTabsAndEndsOnlyThroughQuit) {
    const PROCESS_INFORMATION first = Start();
    const HWND window = ui::WaitForTopWindow({"TfrmMain", "", first.dwProcessId}, 30000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([] { return g_handoffs > 0; })) << "no hand-off message";

    // The sample disc holds sessions 1 and 3: session 3 is opened first.
    HWND list3 = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        for (HWND page = FindWindowExA(window, nullptr, "TPanel", nullptr); page && !list3;
             page = FindWindowExA(window, page, "TPanel", nullptr))
            list3 = ui::FindChild(page, kListIdOfSession3);
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
    const std::vector<std::string> rows = ListCaptions(list3, first.dwProcessId);
    EXPECT_FALSE(rows.empty());
    for (const std::string& row : rows) EXPECT_FALSE(row.empty());

    // Tab 101 opens session 1 and hides session 3's list.
    const HWND tab1 = ui::FindChild(window, 101);
    ASSERT_NE(tab1, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tab1) && IsWindowEnabled(window); }));
    const HWND quit = ui::FindChild(window, 10);
    ASSERT_NE(quit, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(quit) != FALSE; }));
    ui::SaveWindowPng(window, BinDir() + "\\lumar_main_window.png");
    ASSERT_TRUE(ui::Click(tab1));
    ASSERT_TRUE(PumpUntil([&] {
        HWND list1 = nullptr;
        for (HWND page = FindWindowExA(window, nullptr, "TPanel", nullptr); page && !list1;
             page = FindWindowExA(window, page, "TPanel", nullptr))
            list1 = ui::FindChild(page, kListIdOfSession1);
        return list1 && IsWindowVisible(list1) && !IsWindowVisible(list3);
    })) << "session 1 was not shown";

    // A second loader only brings the first forward and ends.
    const PROCESS_INFORMATION second = Start();
    ASSERT_TRUE(PumpUntil([&] { return Exited(second.hProcess); }));
    EXPECT_EQ(ui::FindTopWindows({"TfrmMain", "", second.dwProcessId}).size(), 0u);

    // Alt+F4 (a close request) is refused.
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(ui::AskToClose(window));
    EXPECT_FALSE(PumpUntil([&] { return Exited(first.hProcess) || !IsWindowVisible(window); }, 1500));

    // No eraser lies beside this loader: the quit says so (message 999) and ends.
    ASSERT_TRUE(ui::Click(quit));
    const auto box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, first.dwProcessId, 30000);
    ASSERT_TRUE(box.has_value()) << "no message about the missing eraser";
    EXPECT_EQ(box->text, "M999");
    ASSERT_TRUE(ui::AnswerMessageBox(box->window, IDOK));
    ASSERT_TRUE(PumpUntil([&] { return Exited(first.hProcess); }));
    EXPECT_EQ(g_handoffs, 1);
}

}  // namespace
