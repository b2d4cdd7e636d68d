// The launcher's start and run sequences, window-free: the main dialog
// forwards its init, timers, Run click, close requests and the hand-off
// message here, and this class does everything else through LauncherPlatform.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/edition.h"
#include "launcher/message_table.h"
#include "launcher/version_code.h"

namespace kb::launcher {

// Timers of the main dialog; each handler kills its timer first, so each fires once.
inline constexpr unsigned kTimerShowSplash = 10000;
inline constexpr unsigned kTimerStart = 10001;
inline constexpr unsigned kTimerRunTimeout = 10002;
inline constexpr unsigned kShowSplashDelayMs = 500;
inline constexpr unsigned kStartDelayMs = 2000;
inline constexpr unsigned kRunTimeoutMs = 30000;

// The eraser wait: probes, and the pause after each probe that finds it.
inline constexpr int kEraserProbes = 20;
inline constexpr int kEraserPauseMs = 2000;

inline constexpr char kSettingsFileName[] = "Dremlin.ini";
inline constexpr char kWorkFolderName[] = "QZDiscUtil";  // after the temp folder
inline constexpr char kArchiveServerDll[] = "Arkstow.dll";  // in the launcher's folder
inline constexpr char kFatalNoModulePath[] = "Fatal Error: Application can not run correctly";
// "Fatal Error: " + "Dremlin.ini" + " is not found."
std::string FatalNoSettingsText();

// The four named mutexes the launcher holds.
enum class MutexSlot { kOwn, kLauncherLocal, kLauncherGlobal, kEdition };

// Everything the sequences need from Windows and from the dialog. One object
// per dialog; every call comes on the user-interface thread.
class LauncherPlatform {
public:
    virtual ~LauncherPlatform() = default;

    // --- folders and settings
    // The program's full path; nullopt when it cannot be read (or not whole).
    virtual std::optional<std::string> ModulePath() = 0;
    // The temp folder, ending with a backslash.
    virtual std::string TempFolder() = 0;
    // An entry that is not a folder (one trailing backslash ignored).
    virtual bool IsExistingFile(const std::string& path) = 0;
    // The profile reader through a 1,024-byte buffer, then UnquoteIniValue.
    virtual std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                                      std::string_view defaultText) = 0;

    // --- system checks
    virtual OsVersionFacts QueryOsVersion() = 0;
    // The mutex probe ("Global\" in front from NT 5): free gives false; taken
    // brings the probe's window forward (restored when minimised) and gives
    // true; taken and not accessible gives true without looking for a window.
    virtual bool IsProgramRunning(const ProgramProbe& probe) = 0;
    // Sets the slot up for spec and acquires it: true when the name was free
    // and the slot now holds it; false when taken (the window of spec comes
    // forward). Never called for a slot that holds its mutex.
    virtual bool AcquireMutex(MutexSlot slot, const MutexSpec& spec) = 0;
    // Closes the slot's handle; nothing when it holds none.
    virtual void ReleaseMutex(MutexSlot slot) = 0;
    // Blocks the user-interface thread (the eraser wait).
    virtual void Sleep(int milliseconds) = 0;
    virtual bool IsUserAdmin() = 0;
    virtual uint16_t UserDefaultLangId() = 0;
    // Letters 'A' to 'Z' whose root is a CD-ROM drive, in that order.
    virtual std::vector<char> CdRomDrives() = 0;

    // --- work folder
    // Loads the archive server from archiveServerPath, calls SaveAll(archive,
    // destination) and frees it: true when SaveAll returned 0.
    virtual bool ExtractArchive(const std::string& archiveServerPath, const std::string& archivePath,
                                const std::string& destination) = 0;
    virtual void DeleteFolderTree(const std::string& folder) = 0;

    // --- disc, driver check and program start
    // The modal wait-for-disc dialog: true when it ended with IDOK.
    virtual bool WaitForDisc(char drive, const std::string& text) = 0;
    virtual DiscFacts GatherDiscFacts(char drive, const DiscQuestions& questions) = 0;
    // Loads dllPath, binds CheckEnvironment and SetActions, calls
    // SetActions(kDriverActions) and CheckEnvironment(record), frees the
    // library; nullopt when the library or a function could not be bound.
    virtual std::optional<int> CheckEnvironment(const std::string& dllPath, const DriverRequestBytes& record) = 0;
    // The modal driver-download dialog; its result is not looked at.
    virtual void ShowDriverDownload(const std::string& text, const std::string& url) = 0;
    // ShellExecute "open" owned by the dialog, no directory, SW_SHOWNORMAL:
    // true when the result is above 32. It may dispatch messages meanwhile.
    virtual bool ShellOpen(const ShellStart& start) = 0;
    // The dialog's window handle as a number ("/H:").
    virtual int64_t OwnerWindow() = 0;

    // --- the dialog
    // A message box: caption "Dremlin", error icon, owner the dialog.
    virtual void ShowError(const std::string& text) = 0;
    virtual void SetTimer(unsigned id, unsigned milliseconds) = 0;
    virtual void KillTimer(unsigned id) = 0;
    // Creates and shows the modeless splash window; false when it cannot be created.
    virtual bool ShowSplash(const std::string& settingsPath, const std::string& prepareText,
                            const std::string& failText) = 0;
    virtual void DestroySplash() = 0;
    // The comment edit and the Run button's caption.
    virtual void SetDialogTexts(const std::string& comment, const std::string& runButton) = 0;
    // One combobox item "X:" per letter, its data the letter; the first selected.
    virtual void SetDriveList(const std::vector<char>& drives) = 0;
    // The low byte of the selected item's data.
    virtual char SelectedDrive() = 0;
    virtual void MoveCommentControl(const ControlRect& rect) = 0;
    // Back to the centred rectangle kept at init, repainted, Run focused.
    virtual void RevealDialog() = 0;
    // The combobox, the Run button and the system menu's Close item together.
    virtual void EnableControls(bool enable) = 0;
    // The system menu's Close item alone.
    virtual void EnableCloseItem() = 0;
    // Ends the dialog with IDCANCEL.
    virtual void EndDialog() = 0;
    // Destroys the dialog window (the hand-off: the started program owns the work folder).
    virtual void DestroyDialog() = 0;
};

enum class LauncherState {
    kHidden,    // after init, dialog 0x0, until the splash timer
    kSplash,    // splash shown, until the start timer
    kStarting,  // the start sequence runs
    kReady,     // dialog shown, controls enabled
    kChecking,  // Run pressed: disc, driver check, start
    kWaiting,   // the program was started; waiting for its hand-off
    kEnded,     // the dialog ended or was destroyed
};

class LauncherSequencer {
public:
    explicit LauncherSequencer(LauncherPlatform& platform);
    LauncherSequencer(const LauncherSequencer&) = delete;
    LauncherSequencer& operator=(const LauncherSequencer&) = delete;

    // The dialog's init after its icons: folders, the settings file and the
    // splash timer. False when a fatal message was shown and the dialog ended;
    // on true the dialog centres itself, keeps its rectangle and shrinks to 0x0.
    bool OnInitDialog();
    // A timer of the dialog; false for an id that is not the launcher's.
    bool OnTimer(unsigned id);
    // The Run button (ignored unless Ready).
    void OnRun();
    // Cancel, WM_CLOSE or the system menu's Close: ends the launcher, with the
    // eraser once the work folder is ours; ignored while the start sequence
    // runs, while checking or waiting, and after the end.
    void OnCloseRequest();
    // WM_HANDOFF_CLOSE: destroys the dialog only while waiting for the started
    // program and before the timeout; true when it did.
    bool OnHandOff();

    LauncherState state() const { return state_; }
    int targetApp() const { return targetApp_; }
    int versionCode() const { return versionCode_; }
    int driverCheckFree() const { return driverCheckFree_; }
    char drive() const { return drive_; }
    bool startEraser() const { return startEraser_; }
    bool started() const { return started_; }
    bool acceptClose() const { return acceptClose_; }
    const std::string& launcherPath() const { return launcherPath_; }
    const std::string& launcherFolder() const { return launcherFolder_; }
    const std::string& settingsPath() const { return settingsPath_; }
    const std::string& workFolder() const { return workFolder_; }
    const MessageTable& messages() const { return messages_; }

private:
    std::string Message(int id) const { return messages_.GetMessageText(id); }
    std::string ReadIniString(std::string_view section, std::string_view key, std::string_view def);
    void ShowSplashStep();
    void RunStartSequence();
    void FailStart(int messageId);
    bool HoldOwnMutex();
    bool WaitForEraser();
    bool CheckConflictingPrograms();
    bool HoldLauncherMutexes();
    bool HoldEditionMutex();
    void ReleaseEditionMutex();
    void ReleaseLauncherMutexes();
    bool ExtractArchives();
    bool ExtractAll(const EditionArchives& archives);
    bool CheckDisc();
    int CheckDriverEnvironment();
    void OnRunTimeout();
    void Cancel();

    LauncherPlatform& platform_;
    MessageTable messages_;
    LauncherState state_ = LauncherState::kHidden;
    std::string launcherPath_, launcherFolder_, settingsPath_, workFolder_, prepareText_;
    OsVersionFacts version_;
    int targetApp_ = 0;
    int versionCode_ = 0;
    int driverCheckFree_ = 0;
    char drive_ = 'A';
    bool started_ = false;
    bool startEraser_ = false;
    bool acceptClose_ = true;
    bool editionHeld_ = false;
};

// The folder part of a path: up to and including its last backslash, found
// double-byte-aware; empty when there is none.
std::string FolderOfPath(std::string_view path);

}  // namespace kb::launcher
