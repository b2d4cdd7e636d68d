#include "loader/app/tests/lumar_rig_win.h"

#include <cstdio>
#include <cstdint>

#include "loader/skin/tests/skin_fixture_win.h"
#include "shared/messages.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::loader::testing {
namespace {

int g_handoffs = 0;
LRESULT CALLBACK CallerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == kb::WM_HANDOFF_CLOSE) ++g_handoffs;
    return DefWindowProcA(w, m, wp, lp);
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

}  // namespace

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

bool Exited(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

void LumarRig::SetUp() {
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
    ASSERT_TRUE(WriteFileBytes(program_ + "\\Message.Ini", ini));
    ASSERT_TRUE(WriteFileBytes(program_ + "\\skin\\Reader.def",
                               "[RmBg]\r\nName=bg\r\nMove=1\r\n"
                               "[RmPageView]\r\nName=pview\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                               "[RmPageWork]\r\nName=pwork\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                               "[RmPageInit]\r\nName=pinit\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                               "[RmStatus]\r\nLeft=200\r\nTop=400\r\nWidth=200\r\nHeight=16\r\n"
                               "[RmVolume]\r\nLeft=10\r\nTop=5\r\nWidth=200\r\nHeight=16\r\n"
                               "[RmSize]\r\nLeft=300\r\nTop=5\r\nWidth=200\r\nHeight=16\r\n"
                               "[RmListView]\r\nLeft=10\r\nTop=30\r\nWidth=300\r\nHeight=300\r\n"
                               "[RmTreeView]\r\nLeft=320\r\nTop=30\r\nWidth=300\r\nHeight=300\r\n"));
    ASSERT_TRUE(WriteFileBytes(program_ + "\\skin\\Reader.btn", ButtonList()));
    ASSERT_EQ(WriteSkinArchive(program_, stage,
                               {{"bg.bmp", SolidBmp(640, 440, kBackgroundRgb)},
                                {"pview.bmp", SolidBmp(64, 34, kPageViewRgb)},
                                {"pwork.bmp", SolidBmp(64, 34, kPageWorkRgb)},
                                {"pinit.bmp", SolidBmp(64, 34, kPageInitRgb)},
                                {"tab0.bmp", SolidBmp(28, 20, 0xFF0000)},
                                {"tab1.bmp", SolidBmp(28, 20, 0x00FF00)}}),
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

void LumarRig::TearDown() {
    for (PROCESS_INFORMATION& p : processes_) {
        if (WaitForSingleObject(p.hProcess, 15000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "a loader did not end";
            TerminateProcess(p.hProcess, 1);
            WaitForSingleObject(p.hProcess, 5000);
        }
        CloseHandle(p.hThread);
        CloseHandle(p.hProcess);
    }
    processes_.clear();
    if (caller_) DestroyWindow(caller_);
    caller_ = nullptr;
}

PROCESS_INFORMATION LumarRig::Start(const std::string& extra) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + program_ + "\\LumarForUtil.exe\" /D:" + drive_ +
                          " /H:" + std::to_string(reinterpret_cast<intptr_t>(caller_));
    if (!extra.empty()) command += " " + extra;
    PROCESS_INFORMATION p{};
    EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, program_.c_str(), &si,
                               &p));
    processes_.push_back(p);
    return p;
}

int LumarRig::Handoffs() const { return g_handoffs; }

HWND LumarRig::SessionList(HWND mainWindow, int listId) const {
    for (HWND page = FindWindowExA(mainWindow, nullptr, "TPanel", nullptr); page;
         page = FindWindowExA(mainWindow, page, "TPanel", nullptr))
        if (HWND list = kb::uidriver::FindChild(page, listId)) return list;
    return nullptr;
}

}  // namespace kb::loader::testing
