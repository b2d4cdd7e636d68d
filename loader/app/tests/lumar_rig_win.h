// The rig of LumarForUtil.exe's end-to-end tests: a program folder holding the
// real loader and libraries with a fixture skin and Message.Ini, a caller
// window of the test that receives the hand-off, and the loaders started,
// which must all have ended when the test does. The disc is the CD-ROM drive
// named by KB_CDROM_LETTER.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "loader/app/tests/loader_folder_win.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::loader::testing {

// The folder of the test program, which holds the built programs.
using kb::uidriver::ProgramFolder;
// Waits for done while handling this thread's messages (the caller window's).
using kb::uidriver::PumpUntil;

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

    // What the loader's folder leaves out (see WriteLoaderFolder); set before SetUp.
    std::set<std::string> leaveOut_;
    kb::testing::TempDir temp_;
    std::string drive_, program_;
    HWND caller_ = nullptr;
    std::vector<PROCESS_INFORMATION> processes_;
};

}  // namespace kb::loader::testing
