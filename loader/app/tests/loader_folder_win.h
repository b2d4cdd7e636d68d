// What LumarForUtil.exe needs beside it, for every test and tool that runs
// the real loader: its three libraries, the driver-install manager's
// stand-in, "Message.Ini" and a fixture skin for the main window and the
// dialogs. The loader's own rig copies these into a program folder; the
// launcher's tests pack them into the archives it extracts.
//
// The fixture skin: the main window is 640 x 480 with its page from y 40;
// buttons 10 (quit), 11 (export) and 121 (writer) at y 410, the session
// tabs 101..120 at y 445, so no dialog shows them; the dialogs' buttons
// (password 20/21, overwrite 40..45) lie in the top strip, the progress
// window's 30 right of its bar on the bar's rows, and
// the skinned message box has its own OK button 200.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kb::loader::testing {

// The fixture skin's colours (0xRRGGBB): the window's background and the
// three pages, each filling the page area (0, 40)-(640, 400) of the window.
constexpr uint32_t kBackgroundRgb = 0x3366CC;
constexpr uint32_t kPageViewRgb = 0x339966;
constexpr uint32_t kPageWorkRgb = 0x996633;
constexpr uint32_t kPageInitRgb = 0xCCCC33;
// The progress window's cancel button (30): its normal image, one colour.
constexpr uint32_t kProgressCancelRgb = 0xC03030;

// One file of the loader's folder: its name there ("skin\Reader.def") and
// the file it is made from.
struct LoaderFile {
    std::string name;
    std::string source;
};

// Writes "Message.Ini" and the skin files under stage (an existing folder)
// and lists them after the programs taken from binDir: LumarForUtil.exe,
// Kabbit.dll, Arkstow.dll, Spurlane.dll and Kellmark.dll. Every message is
// the marker "M<n>" unless texts gives it a text of its own. Empty when a
// file could not be written. The skin archives hold no entry named in leaveOut.
std::vector<LoaderFile> StageLoaderFiles(const std::string& binDir, const std::string& stage,
                                         const std::map<int, std::string>& texts = {},
                                         const std::set<std::string>& leaveOut = {});

// Fills program (an existing folder) with those files as the loader expects
// them beside it (the skin in program\skin); stage is a scratch folder.
// Names in leaveOut are left out: skin archive entries ("bg.bmp") and files
// of the folder ("Arkstow.dll"). False when one could not be written or copied.
bool WriteLoaderFolder(const std::string& binDir, const std::string& program, const std::string& stage,
                       const std::set<std::string>& leaveOut = {});

// True for a file that belongs to the skin folder.
bool IsSkinFile(const LoaderFile& file);

// The list view of session list id (1000 + the session's place on the disc)
// on the loader's main window, which may belong to another process; null
// while there is none.
HWND SessionList(HWND mainWindow, int listId);

}  // namespace kb::loader::testing
