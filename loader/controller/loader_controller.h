// LoaderController: the main window's fields and sequences without a window.
// The host (LoaderHost) forwards its creation, timer ticks, window messages
// and skin-button events here; the controller decides and tells the host what
// to show. The start-up sequence unpacks the disc index and reads the disc
// password, tells the caller that the start has ended and opens the highest
// session; the open-session sequence unpacks and reads a session's control
// file and builds its lists from its "Files.lst".
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "loader/controller/command_line.h"
#include "loader/controller/loader_host.h"
#include "loader/controller/pack_library.h"
#include "loader/controller/unpack_folder.h"
#include "loader/session/password.h"
#include "loader/session/sessions.h"

namespace kb::loader {

// The sequence FileTimer runs.
enum class Sequence { None, Startup, OpenSession, Export, WriterWait };

// States of the start-up sequence.
enum StartupState : int {
    ssShowPages = 1,
    ssUnpackIndex = 2,
    ssWaitIndex = 3,
    ssNoteIndexFile = 4,
    ssReadPassword = 5,
    ssDeleteIndex = 6,
    ssDone = 9,
};

// States of the open-session sequence.
enum OpenSessionState : int {
    osUnpackControl = 1,
    osWaitControl = 2,
    osNoteControlFile = 3,
    osReadControl = 4,
    osDeleteControl = 5,
    osNoteFileList = 6,
    osBuildViews = 7,
    osCleanUp = 8,
    osShowViews = 9,
    osFirstOpen = 10,
    osDone = 11,
};

// States of the export sequence.
enum ExportState : int {
    exOpenProgress = 1,
    exBegin = 72,
    exPrepare = 2,
    exPrecheck = 60,
    exNextItem = 3,
    exWaitUnpack = 11,
    exItemDone = 51,
    exFinish = 100,
    exFinishClose = 106,
    exCancel = 200,
    exCancelClose = 206,
    exAbort = 207,
};

// The export's state after the pack library has confirmed a stop.
constexpr int kExportStoppedState = 201;

// UnpackControlFile's result when no private folder could be made (positive,
// so never a pack error code).
constexpr int kNoUnpackFolder = 1;

// Whether a failed unpack of the index or a control file (UnPack's result or
// a negative progress) may succeed when tried again: no private folder, the
// pack could not be opened, a file error. A wrong password or a damaged pack
// never passes, and repeating it would only wait out the library's throttle.
bool UnpackMayPass(int code);

// Whether WM_PACK_STOPPED acts: only while the export runs with a job.
bool PackStoppedActs(Sequence sequence, int jobRunning);

// What the plain dialog says once per session about left-out rows.
std::string UnsafeRowsText(int count);

class LoaderController {
public:
    explicit LoaderController(LoaderHost& host);
    LoaderController(const LoaderController&) = delete;
    LoaderController& operator=(const LoaderController&) = delete;

    // The window's creation, steps in order: fonts, message file, field
    // defaults, the command line (arguments without the program; programPath
    // gives the default drive); in writer mode it returns here with
    // RunMode::Scrivane and the writer's start is the caller's. Otherwise:
    // skin, the session scan (pnlInit hidden), the pack library with the work
    // folder, the install-marker question, the start-up sequence's timer, the
    // hourglass, the window's position, the password tries.
    RunMode FormCreate(const std::vector<std::string>& arguments, const std::string& programPath);
    // The main window never agrees to close: the program ends only by
    // terminating the application.
    bool FormCloseQuery() const { return false; }
    // A Windows session may always end (the host then runs the destroy steps).
    bool QueryEndSession() const { return true; }

    // One FileTimer tick: the timer goes off, the current sequence runs the
    // one state FRunState names and turns the timer on again only when it
    // goes on. The open-session sequence disables the main window first.
    void OnTimer();

    // WM_LOADER_ERROR, WM_LOADER_FOCUSLIST, WM_LOADER_CANCEL, WM_HANDOFF_CLOSE
    // and WM_PACK_STOPPED; false for any other message.
    bool HandleMessage(uint32_t message, uintptr_t wParam);

    // Skin-button events.
    void OnSkinButtonMouseUp(int id);
    void OnSkinButtonClick(int id);

    // Shows session n (1 to Count) and opens it when it never was; the
    // session on view, or a number without a session, does nothing.
    void SelectSession(int n);
    // Tab buttons 101 to 100 + Count visible with image 1, the current one 0.
    void ShowSessionTabs();
    // Hides every session's views; unless hideOnly, shows the current
    // session's and, with the window enabled, focuses its file list.
    void ShowSessionControls(bool hideOnly);
    // Export button visible exactly when the current session has selected rows.
    void UpdateExportButton();
    // Posts WM_HANDOFF_CLOSE to the caller, when there is one, once in the run.
    void NotifyCaller();

    // The session file list's selection handler: session's selected rows
    // become selectedRows (ascending), then the export list, the folder tree,
    // the size label and the export button follow. Ignored while destroying.
    void SelectionChanged(int session, std::vector<size_t> selectedRows);
    // The current session's selected size sum; extra its sub-item 2 sum.
    int64_t SelectedTotals(int64_t& extra) const;
    // Skin button 11 and the list's double-click: the gates, then the export
    // sequence.
    void StartExport();
    // The content password and whether it was given: the disc's with a
    // SINGLE password type, the current session's with MULTI.
    bool PasswordGiven() const;
    void SetPasswordGiven(bool value);
    std::string ContentPassword() const;

    // Writer mode, after FormCreate returned RunMode::Scrivane: starts the
    // writer, tells the caller and ends.
    void RunWriterMode();
    // Skin button 121: hands over to the writer and waits for its
    // WM_HANDOFF_CLOSE; a writer that cannot start, or stays silent for 30 s,
    // gets the window given back.
    void StartWriter();
    // The main window's destruction: stops a running job (waiting for its end
    // at most about 5 s; the pack library stays loaded when the end is not
    // seen), frees the pack library, the sessions and the icon list, starts
    // the eraser when the clean-up is on, and frees the message file last.
    void FormDestroy();

    // Starts unpacking entry name of a pack (a bare name lies at the disc
    // root) into a fresh private folder: 0 started, kNoUnpackFolder, or the
    // pack library's error code.
    int UnpackControlFile(const std::string& packPath, const std::string& name);
    // SINGLE: "Sessions.Pck" exists at the disc root; MULTI: there are sessions.
    bool IndexAvailable();

    // What the sequences and the host read.
    Sequence CurrentSequence() const { return sequence_; }
    int RunState() const { return runState_; }
    int Retries() const { return retries_; }
    int CurrentSession() const { return currentSession_; }
    bool FirstOpen() const { return firstOpen_; }
    bool WindowEnabled() const { return windowEnabled_; }
    bool CancelRequested() const { return cancelRequested_; }
    bool Destroying() const { return destroying_; }
    int PasswordTries() const { return passwordTries_; }
    int JobRunning() const { return jobRunning_; }
    int DoneCount() const { return doneCount_; }
    int64_t DoneBytes() const { return doneBytes_; }
    int64_t TotalBytes() const { return totalBytes_; }
    bool OverwriteAll() const { return overwriteAll_; }
    bool CleanupOnExit() const { return cleanupOnExit_; }
    const std::string& DestFolder() const { return destFolder_; }
    const std::string& WorkFolderAtStart() const { return workFolder_; }
    const CommandLine& Arguments() const { return args_; }
    const std::string& UnpackFolderPath() const { return unpackFolderPath_; }
    const std::string& UnpackName() const { return unpackName_; }
    TSessionS& Sessions() { return *sessions_; }
    TPassword& Password() { return password_; }
    PackLibrary* Pack() { return pack_.get(); }

private:
    void RunStartup();
    void RunOpenSession();
    void StartupDone();
    void BuildViews();
    void RunExport();
    void ExportNextItem();
    void ExportWaitUnpack();
    // The end of an export: the progress window goes, the window comes back.
    void EndExport();
    void RunWriterWait();
    // Stops whatever job the pack library may run and waits for its end;
    // false when the end was not seen in time.
    bool StopJobForDestroy();
    bool JobMayRun() const;
    std::string Msg(int number) { return host_.Message(number); }
    // A failed unpack attempt: unpackState on the next tick while the failure
    // may pass and attempts are left, else the error kind with the timer off.
    void UnpackAttemptFailed(int code, int unpackState, int errorKind);
    // A failed allocation in a state ends its sequence the way the sequence's
    // own failures do, with what the state held given back.
    void SequenceOutOfMemory();
    void TimerOn() {
        timerOn_ = true;
        host_.SetTimer(true);
    }
    void TimerOff() {
        timerOn_ = false;
        host_.SetTimer(false);
    }
    // A sequence goes on: its next tick is due or its state runs now.
    bool SequenceRuns() const { return timerOn_ || inTick_; }
    void EnableWindow(bool enabled);
    void ShowPages(bool sessionsOnView);
    ProfileOpener Opener();

    LoaderHost& host_;
    CommandLine args_;
    TPassword password_;
    std::unique_ptr<TSessionS> sessions_;
    std::unique_ptr<PackLibrary> pack_;
    std::unique_ptr<UnpackFolder> unpackFolder_;
    Sequence sequence_ = Sequence::None;
    int runState_ = 0;
    int retries_ = 0;
    std::string unpackName_;
    std::string unpackFolderPath_;
    int currentSession_ = 0;
    bool cancelRequested_ = false;
    int jobRunning_ = 0;
    bool destroying_ = false;
    bool firstOpen_ = true;
    int passwordTries_ = 0;
    bool windowEnabled_ = true;
    bool timerOn_ = false;
    bool inTick_ = false;
    bool callerNotified_ = false;
    bool multiPassword_ = false;
    std::string workFolder_;
    // The export.
    int exportSession_ = 0;
    int doneCount_ = 0;
    int currentPos_ = -1;  // position in the selected rows
    int64_t totalBytes_ = 0;
    int64_t doneBytes_ = 0;
    bool overwriteAll_ = false;
    std::string destFolder_;
    std::string progressText_;
    // Hand-offs and the end.
    bool cleanupOnExit_ = true;
    uint32_t writerStartMs_ = 0;
    bool stopConfirmed_ = false;
    bool messageFileFreed_ = false;
};

}  // namespace kb::loader
