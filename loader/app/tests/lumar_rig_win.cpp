#include "loader/app/tests/lumar_rig_win.h"

#include <cstdio>
#include <cstdint>

#include "loader/app/tests/loader_folder_win.h"
#include "shared/messages.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::loader::testing {
namespace {

int g_handoffs = 0;
LRESULT CALLBACK CallerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == kb::WM_HANDOFF_CLOSE) ++g_handoffs;
    return DefWindowProcA(w, m, wp, lp);
}

}  // namespace

bool Exited(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

void LumarRig::SetUp() {
    const char* letter = getenv("KB_CDROM_LETTER");
    if (!letter || !*letter) GTEST_SKIP() << "no CD-ROM drive mapped";
    drive_ = std::string(1, letter[0]) + ":";
    program_ = temp_.path() + "\\prog";
    const std::string stage = temp_.path() + "\\stage";
    ASSERT_TRUE(CreateDirectoryA(program_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(stage.c_str(), nullptr));
    ASSERT_TRUE(WriteLoaderFolder(kb::uidriver::ProgramFolder(), program_, stage, leaveOut_));

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
    return kb::loader::testing::SessionList(mainWindow, listId);
}

}  // namespace kb::loader::testing
