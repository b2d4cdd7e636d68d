// What the runtime-module install decides from the facts it gathered: the
// status word of each module, the lines of its report, the effect of the
// installer's history, the restart and COM lists and the final state, and the
// exact texts of the report file "Halvorin.log".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ark::vbrm {

// Status bits of one module.
constexpr uint32_t kNotInstalled = 0x0001;
constexpr uint32_t kInstalled = 0x0002;
constexpr uint32_t kCodePageDiffers = 0x0004;
constexpr uint32_t kSystemOlder = 0x0010;
constexpr uint32_t kSystemSame = 0x0020;
constexpr uint32_t kSystemNewer = 0x0040;
constexpr uint32_t kComServer = 0x0100;
constexpr uint32_t kCannotAccess = 0x1000;
constexpr uint32_t kFailedBefore = 0x2000;
constexpr uint32_t kDoneBefore = 0x4000;

// Final states; the last three are also the export's results.
constexpr int kStateNothing = 0;
constexpr int kStateNeedReboot = 5;
constexpr int kStateNeedLogoff = 6;
constexpr int kStateDoneNow = 256;

// File names.
inline constexpr const char* kTaskFileName = "Halvorin.tsk";
inline constexpr const char* kHistoryFileName = "Halvorin.hst";  // in the system folder's "TQZDisc"
inline constexpr const char* kReportFileName = "Halvorin.log";
inline constexpr const char* kInstallerName = "Halvorin.exe";
inline constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* kRunOnceValue = "__Halvorin";

// The entry name followed by ":\n", then the line of each set bit in the
// order of the bits.
std::string EntryReport(std::string_view name, uint32_t status);

// What the installer's history says of one module (section = entry name).
struct HistoryRecord {
    bool copyFailed = false;
    bool copyDone = false;
    std::string version;  // read only when copyDone
};

// Adds kFailedBefore for a failed copy and kDoneBefore for a done copy whose
// recorded version is not older than archiveVersion.
uint32_t ApplyHistory(uint32_t status, const HistoryRecord& history, std::string_view archiveVersion);

// A module whose system copy is older and cannot be replaced now, not failed
// or done before: it is copied after a restart.
bool NeedsRestart(uint32_t status);
// A COM server that is missing or older in the system folder.
bool IsComToUpdate(uint32_t status);

// The report of a list: heading, then two blanks, the name and "\n" per name.
std::string ListReport(std::string_view heading, const std::vector<std::string>& names);
inline constexpr const char* kRestartHeading = "Following files should be copied after restarting Windows.\n";
inline constexpr const char* kComHeading = "Following files are COM servers to be update.\n";
inline constexpr const char* kNowText = "Now, the process can be done.\n";
// The report of states 5 and 6.
std::string DeferredReport(int state);
// The lines logged once RunOnce holds the installer.
std::string RunOnceReport(std::string_view installerPath);

// The state after the lists: with allowInstall 5 when a module waits for a
// restart, else the state so far; without it 6 when a module waits for a
// restart or a COM server waits for its update, else the state so far.
int StateAfterLists(int state, bool allowInstall, bool restartListEmpty, bool comListEmpty);

// One write to the report file: "[" date and time "]\n", then the report, as a
// text-mode file stores it ("\n" becomes "\r\n").
std::string ReportRecord(std::string_view dateTime, std::string_view report);

// An ini value read as a boolean: an integer (decimal, or hexadecimal after
// "0x" or "$") other than 0; anything else gives fallback.
bool ParseIniBool(std::string_view value, bool fallback);

}  // namespace ark::vbrm
