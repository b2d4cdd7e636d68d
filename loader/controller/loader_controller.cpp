#include "loader/controller/loader_controller.h"

#include <cstdint>
#include <new>

#include "loader/controller/window_rules.h"
#include "loader/path_csv.h"
#include "loader/session/disc_layout.h"
#include "loader/settings.h"
#include "shared/base/fs.h"
#include "shared/messages.h"
#include "shared/pack_errors.h"

namespace kb::loader {
namespace {

// Message shown when a session's file list cannot be read or converted.
constexpr int kFileListErrorMessage = 5;
// The size label's text on a session's first opening (editions 0 and 2).
constexpr int kSizeLabelMessage = 208;
// Wait between two scans of a disc that shows no session yet.
constexpr int kScanPauseMs = 5;

bool IsFile(const std::string& path) {
    uint32_t attributes = 0;
    return fs::GetAttributes(path, &attributes) && !(attributes & fs::kAttrDirectory);
}

}  // namespace

bool UnpackMayPass(int code) {
    return code == kNoUnpackFolder || code == PACKERR_OPEN_PACKED_FILE || code == PACKERR_FILE_IO;
}

bool PackStoppedActs(Sequence sequence, int jobRunning) {
    return sequence == Sequence::Export && jobRunning == 1;
}

std::string UnsafeRowsText(int count) {
    // "このセッションのファイル一覧の N 件は、パスが空か絶対パスか展開先フォルダーの外を指すため、
    // 表示も展開もできません。", in code page 932.
    static const char kBefore[] =
        "\x82\xb1\x82\xcc\x83\x5a\x83\x62\x83\x56\x83\x87\x83\x93\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b"
        "\x88\xea\x97\x97\x82\xcc\x20";
    static const char kAfter[] =
        "\x20\x8c\x8f\x82\xcd\x81\x41\x83\x70\x83\x58\x82\xaa\x8b\xf3\x82\xa9\x90\xe2\x91\xce\x83\x70\x83\x58"
        "\x82\xa9\x93\x57\x8a\x4a\x90\xe6\x83\x74\x83\x48\x83\x8b\x83\x5f\x81\x5b\x82\xcc\x8a\x4f\x82\xf0"
        "\x8e\x77\x82\xb7\x82\xbd\x82\xdf\x81\x41\x95\x5c\x8e\xa6\x82\xe0\x93\x57\x8a\x4a\x82\xe0\x82\xc5"
        "\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42";
    return kBefore + std::to_string(count) + kAfter;
}

LoaderController::LoaderController(LoaderHost& host) : host_(host) {}

ProfileOpener LoaderController::Opener() {
    return [this](const std::string& path) { return host_.OpenProfile(path); };
}

void LoaderController::EnableWindow(bool enabled) {
    windowEnabled_ = enabled;
    host_.EnableMainWindow(enabled);
}

RunMode LoaderController::FormCreate(const std::vector<std::string>& arguments, const std::string& programPath) {
    host_.LoadFontSettings();
    host_.CreateMessageFile();

    firstOpen_ = true;
    host_.MoveWindow(0, 0);
    pack_.reset();
    args_ = ParseCommandLine(arguments, programPath);
    SetDriveRoot(args_.driveRoot[0]);
    if (args_.runMode == RunMode::Scrivane) return RunMode::Scrivane;

    host_.ApplySkin();
    destroying_ = false;

    sessions_ = std::make_unique<TSessionS>([this] { return host_.CreateEntryList(); });
    sessions_->ScanSessions(GetDriveRoot(), [this] {
        host_.ProcessMessages();
        host_.Sleep(kScanPauseMs);
    });
    host_.SetPageVisible(Page::Init, false);

    pack_ = host_.CreatePackLibrary();
    const std::string workFolder = host_.WorkFolder();
    pack_->SetWorkingDir(workFolder);
    workFolder_ = workFolder;
    unpackFolder_ = std::make_unique<UnpackFolder>(workFolder);

    host_.AskInstallMarkers();

    runState_ = ssShowPages;
    retries_ = kUnpackRetries;
    sequence_ = Sequence::Startup;
    TimerOn();
    host_.SetCursor(Cursor::Hourglass);

    const Extent screen = host_.ScreenSize();
    const Extent window = host_.WindowSize();
    host_.MoveWindow(WindowCoordinate(args_.windowLeft, screen.width, window.width),
                     WindowCoordinate(args_.windowTop, screen.height, window.height));
    passwordTries_ = 0;
    return RunMode::Lumar;
}

void LoaderController::OnTimer() {
    TimerOff();
    inTick_ = true;
    struct TickEnd {
        bool& inTick;
        ~TickEnd() { inTick = false; }
    } tickEnd{inTick_};
    try {
        switch (sequence_) {
            case Sequence::Startup:
                RunStartup();
                break;
            case Sequence::OpenSession:
                EnableWindow(false);
                RunOpenSession();
                break;
            case Sequence::Export:
                RunExport();
                break;
            case Sequence::WriterWait:
                RunWriterWait();
                break;
            case Sequence::None:
                break;
        }
    } catch (const std::bad_alloc&) {
        SequenceOutOfMemory();
    }
}

void LoaderController::SequenceOutOfMemory() {
    try {
        switch (sequence_) {
            case Sequence::Startup:
                unpackFolder_->Remove();
                host_.PostLoaderError(kErrorIndexUnpack);
                return;
            case Sequence::OpenSession: {
                // The session keeps no rows: its views show empty, as for a
                // file list that cannot be read, and the window comes back.
                SessionRecord& record = sessions_->Session(currentSession_);
                record.fileList = {};
                record.selected = {};
                if (record.Opened()) {
                    record.fullList->Clear();
                    record.exportList->Clear();
                    host_.BuildSessionViews(currentSession_, record);
                }
                host_.ShowPlainMessage(host_.Message(kFileListErrorMessage));
                runState_ = osCleanUp;
                TimerOn();
                return;
            }
            case Sequence::Export:
                host_.PostLoaderError(kErrorPackJob);
                runState_ = exAbort;
                TimerOn();
                return;
            case Sequence::WriterWait:
            case Sequence::None:
                return;
        }
    } catch (const std::bad_alloc&) {
        // Not even the failure path fits: give the window back at least.
        EnableWindow(true);
        host_.SetCursor(Cursor::Default);
    }
}

bool LoaderController::HandleMessage(uint32_t message, uintptr_t wParam) {
    switch (message) {
        case WM_LOADER_ERROR:
            if (const auto action = ErrorKindActionOf(wParam)) {
                host_.ShowPlainMessage(host_.Message(action->message));
                if (action->terminate) host_.Terminate();
            }
            return true;
        case WM_LOADER_FOCUSLIST:
            if (currentSession_ > 0 && sessions_ && sessions_->Session(currentSession_).Opened())
                host_.FocusFileList(currentSession_);
            return true;
        case WM_LOADER_CANCEL:
            cancelRequested_ = true;
            return true;
        case WM_HANDOFF_CLOSE:
            host_.Terminate();
            return true;
        case WM_PACK_STOPPED:
            if (destroying_) {
                stopConfirmed_ = true;
                return true;
            }
            // A stop confirmed for a job that is not the export's own would
            // otherwise steer another sequence into the export's states.
            if (PackStoppedActs(sequence_, jobRunning_)) {
                jobRunning_ = 0;
                runState_ = kExportStoppedState;
                TimerOn();
            }
            return true;
        default:
            return false;
    }
}

void LoaderController::OnSkinButtonMouseUp(int id) {
    if (TabLooksOtherOnMouseUp(id, currentSession_)) host_.SetButtonImage(id, kTabImageOther);
}

void LoaderController::OnSkinButtonClick(int id) {
    const ButtonClick click = SkinButtonClickOf(id);
    switch (click.action) {
        case ButtonAction::Quit:
            host_.Terminate();
            break;
        case ButtonAction::SelectSession:
            SelectSession(click.session);
            break;
        case ButtonAction::StartExport:
            StartExport();
            break;
        case ButtonAction::StartWriter:
            StartWriter();
            break;
        case ButtonAction::None:
            break;
    }
}

void LoaderController::NotifyCaller() {
    if (args_.callerWnd == 0 || callerNotified_) return;
    callerNotified_ = true;
    host_.PostHandoffClose(args_.callerWnd);
}

int LoaderController::UnpackControlFile(const std::string& packPath, const std::string& name) {
    const std::string folder = unpackFolder_ ? unpackFolder_->Make() : std::string();
    if (folder.empty()) return kNoUnpackFolder;
    unpackName_ = name;
    unpackFolderPath_ = folder;
    const bool bare = packPath.find('\\') == std::string::npos && packPath.find(':') == std::string::npos;
    pack_->SetPackPath(bare ? GetDriveRoot() + "\\" + packPath : packPath);
    pack_->SetUnpackLimit(kControlFileLimit);
    return pack_->UnPack(unpackFolderPath_, unpackName_);
}

bool LoaderController::IndexAvailable() {
    if (IsMultiPassword(GetDriveRoot(), Opener())) return sessions_->Count() > 0;
    return IsFile(GetDriveRoot() + "\\" + kSessionsPck);
}

void LoaderController::UnpackAttemptFailed(int code, int unpackState, int errorKind) {
    unpackFolder_->Remove();
    if (UnpackMayPass(code) && retries_ > 0) {
        --retries_;
        runState_ = unpackState;
        TimerOn();
        return;
    }
    host_.PostLoaderError(errorKind);
}

void LoaderController::ShowPages(bool sessionsOnView) {
    host_.SetPageVisible(Page::Work, false);
    host_.SetPageVisible(Page::Init, !sessionsOnView);
    host_.SetPageVisible(Page::View, sessionsOnView);
}

void LoaderController::RunStartup() {
    const std::string unpacked = unpackFolderPath_ + unpackName_;
    std::string name;
    switch (runState_) {
        case ssShowPages:
            EnableWindow(false);
            host_.SetPageVisible(Page::View, true);
            host_.SetPageVisible(Page::Init, false);
            host_.SetPageVisible(Page::Work, true);
            multiPassword_ = IsMultiPassword(GetDriveRoot(), Opener());
            if (multiPassword_)
                runState_ = ssDone;
            else
                runState_ = IndexAvailable() ? ssUnpackIndex : ssDone;
            break;
        case ssUnpackIndex: {
            pack_->SetPackPassword(FixedUnpackPassword(args_.edition));
            const int rc = UnpackControlFile(kSessionsPck, kSessionsIni);
            if (rc != 0) return UnpackAttemptFailed(rc, ssUnpackIndex, kErrorIndexUnpack);
            runState_ = ssWaitIndex;
            break;
        }
        case ssWaitIndex: {
            const int progress = pack_->GetProgress(name);
            if (progress < 0) return UnpackAttemptFailed(progress, ssUnpackIndex, kErrorIndexUnpack);
            if (progress >= 100) runState_ = ssNoteIndexFile;
            break;
        }
        case ssNoteIndexFile:
            password_.unpackedFile = unpacked;
            runState_ = ssReadPassword;
            break;
        case ssReadPassword:
            password_.ReadPassword(Opener(), unpacked);
            runState_ = ssDeleteIndex;
            break;
        case ssDeleteIndex:
            password_.DeleteUnpackedFiles(unpacked);
            unpackFolder_->Remove();
            runState_ = 7;
            break;
        case 7:
        case 8:
            ++runState_;
            break;
        case ssDone:
            return StartupDone();
        default:
            return;  // no such state: the sequence ends
    }
    TimerOn();
}

void LoaderController::StartupDone() {
    const bool sessions = sessions_->Count() > 0;
    if (sessions) {
        NotifyCaller();
        currentSession_ = sessions_->Count();
        ShowSessionTabs();
        host_.SetCursor(Cursor::Hourglass);
        sequence_ = Sequence::OpenSession;
        runState_ = osUnpackControl;
        retries_ = kUnpackRetries;
        TimerOn();
    } else {
        host_.SetCursor(Cursor::Default);
        NotifyCaller();
    }
    ShowPages(sessions);
    if (firstOpen_ && !sessions) {
        firstOpen_ = false;
        host_.SetButtonVisible(kQuitButton, true);
        host_.SetButtonVisible(kWriterButton, false);
        EnableWindow(true);
    }
}

void LoaderController::RunOpenSession() {
    SessionRecord& record = sessions_->Session(currentSession_);
    const std::string unpacked = unpackFolderPath_ + unpackName_;
    std::string name;
    switch (runState_) {
        case osUnpackControl: {
            pack_->SetPackPassword(FixedUnpackPassword(args_.edition));
            const int rc = UnpackControlFile(record.folder + "\\" + kControlPck, kControlIni);
            if (rc != 0) return UnpackAttemptFailed(rc, osUnpackControl, kErrorControlUnpack);
            runState_ = osWaitControl;
            break;
        }
        case osWaitControl: {
            const int progress = pack_->GetProgress(name);
            if (progress < 0) return UnpackAttemptFailed(progress, osUnpackControl, kErrorControlUnpack);
            if (progress >= 100) runState_ = osNoteControlFile;
            break;
        }
        case osNoteControlFile:
            sessions_->SetCurrentFile(unpacked, true);
            runState_ = osReadControl;
            break;
        case osReadControl:
            host_.SetPageVisible(Page::Init, false);
            host_.SetPageVisible(Page::Work, true);
            sessions_->ReadControlIni(currentSession_, sessions_->CurrentFile(), Opener());
            runState_ = osDeleteControl;
            break;
        case osDeleteControl:
            sessions_->DeleteUnpackedFiles(unpacked);
            unpackFolder_->Remove();
            runState_ = osNoteFileList;
            break;
        case osNoteFileList:
            sessions_->SetCurrentFile(record.folder + "\\" + kFilesLst, false);
            runState_ = osBuildViews;
            break;
        case osBuildViews:
            BuildViews();
            runState_ = osCleanUp;
            break;
        case osCleanUp:
            runState_ = osShowViews;
            break;
        case osShowViews:
            host_.SetCursor(Cursor::Default);
            UpdateExportButton();
            ShowSessionControls(false);
            runState_ = osFirstOpen;
            break;
        case osFirstOpen:
            if (firstOpen_) {
                firstOpen_ = false;
                host_.SetButtonVisible(kQuitButton, true);
                host_.SetButtonVisible(kWriterButton, false);
            }
            runState_ = osDone;
            break;
        case osDone:
            ShowPages(sessions_->Count() > 0);
            EnableWindow(true);
            host_.SetCursor(Cursor::Default);
            return;
        default:
            return;
    }
    TimerOn();
}

void LoaderController::BuildViews() {
    SessionRecord& record = sessions_->Session(currentSession_);
    const IconLookup icons = [this](const std::string& key) { return host_.IconIndex(key); };
    const std::string& filesLst = sessions_->CurrentFile();
    const FileListResult result =
        args_.edition == 1 ? sessions_->LoadFileListForEdition1(currentSession_, filesLst, icons)
                           : sessions_->LoadFileList(currentSession_, filesLst, icons, host_.Message(kSizeLabelMessage));
    host_.BuildSessionViews(currentSession_, record);
    // The rows read so far stay on view; the window is given back as usual.
    if (result.stop != FilesLstStop::None) host_.ShowPlainMessage(host_.Message(kFileListErrorMessage));
    if (result.unsafeRows > 0 && !record.unsafeRowsReported) {
        record.unsafeRowsReported = true;
        host_.ShowPlainMessage(UnsafeRowsText(result.unsafeRows));
    }
}

void LoaderController::SelectSession(int n) {
    if (n == currentSession_) return;
    if (!sessions_ || n < 1 || n > sessions_->Count()) return;
    if (currentSession_ > 0) host_.SetButtonImage(100 + currentSession_, kTabImageOther);
    currentSession_ = n;
    host_.SetButtonImage(100 + n, kTabImageCurrent);
    if (!sessions_->Session(n).Opened()) {
        ShowSessionControls(true);
        host_.SetCursor(Cursor::Hourglass);
        sequence_ = Sequence::OpenSession;
        runState_ = osUnpackControl;
        retries_ = kUnpackRetries;
        TimerOn();
    } else {
        ShowSessionControls(false);
        UpdateExportButton();
    }
}

void LoaderController::ShowSessionTabs() {
    for (int i = 1; i <= sessions_->Count(); ++i) {
        host_.SetButtonVisible(100 + i, true);
        host_.SetButtonImage(100 + i, kTabImageOther);
    }
    host_.SetButtonImage(100 + currentSession_, kTabImageCurrent);
}

void LoaderController::ShowSessionControls(bool hideOnly) {
    for (int i = 1; i <= kMaxSessions; ++i)
        if (sessions_->Session(i).Opened()) host_.SetSessionViewsVisible(i, false);
    if (hideOnly || currentSession_ <= 0 || !sessions_->Session(currentSession_).Opened()) return;
    host_.SetSessionViewsVisible(currentSession_, true);
    if (windowEnabled_) host_.FocusFileList(currentSession_);
}

void LoaderController::UpdateExportButton() {
    if (!sessions_ || sessions_->Count() == 0) return;
    const bool selected = currentSession_ > 0 && !sessions_->Session(currentSession_).selected.empty();
    if (host_.IsButtonVisible(kExportButton) != selected) host_.SetButtonVisible(kExportButton, selected);
}

}  // namespace kb::loader
