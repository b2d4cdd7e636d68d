// The rig of LumarForUtil.exe's end-to-end tests: a program folder holding the
// real loader and libraries with a fixture skin and Message.Ini, a caller
// window of the test that receives the hand-off, and the loaders started,
// which must all have ended when the test does. The disc is the CD-ROM drive
// named by KB_CDROM_LETTER.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/app/tests/lumar_folder_win.h"
#include "testing/kit/temp_folder.h"

namespace kb::loader::testing {

// The folder of the test program, which holds the built programs.
std::string BinDir();

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

// True once process has ended.
bool Exited(HANDLE process);

class LumarRig : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the loader with "/D:<drive> /H:<caller>" and extra switches.
    PROCESS_INFORMATION Start(const std::string& extra = "");
    // Hand-off messages the caller window has received.
    int Handoffs() const;
    // The list view of session list id on the main window's pages; null when none.
    HWND SessionList(HWND mainWindow, int listId) const;

    kb::testing::TempDir temp_;
    std::string drive_, program_;
    HWND caller_ = nullptr;
    std::vector<PROCESS_INFORMATION> processes_;
};

}  // namespace kb::loader::testing
