#include "launcher/sequencer.h"

#include "launcher/ini_text.h"
#include "shared/base/strutils.h"

namespace kb::launcher {

std::string FatalNoSettingsText() { return std::string("Fatal Error: ") + kSettingsFileName + " is not found."; }

std::string FolderOfPath(std::string_view path) {
    size_t end = 0;
    for (size_t i = 0; i < path.size(); i += CharLengthAt(path, i))
        if (path[i] == '\\') end = i + 1;
    return std::string(path.substr(0, end));
}

LauncherSequencer::LauncherSequencer(LauncherPlatform& platform) : platform_(platform) {}

std::string LauncherSequencer::ReadIniString(std::string_view section, std::string_view key, std::string_view def) {
    return platform_.ReadIniString(settingsPath_, section, key, def);
}

bool LauncherSequencer::OnInitDialog() {
    state_ = LauncherState::kHidden;
    started_ = false;
    driverCheckFree_ = 0;
    targetApp_ = 0;
    versionCode_ = 0;
    drive_ = 'A';
    startEraser_ = false;
    acceptClose_ = true;

    const std::optional<std::string> modulePath = platform_.ModulePath();
    if (!modulePath) {
        platform_.ShowError(kFatalNoModulePath);
        Cancel();
        return false;
    }
    launcherPath_ = *modulePath;
    launcherFolder_ = FolderOfPath(launcherPath_);
    workFolder_ = platform_.TempFolder() + kWorkFolderName;
    const std::string settings = launcherFolder_ + kSettingsFileName;
    if (!platform_.IsExistingFile(settings)) {
        platform_.ShowError(FatalNoSettingsText());
        Cancel();
        return false;
    }
    settingsPath_ = settings;
    prepareText_ = ReadIniString("Initial", "MsgForPrepare", "");
    platform_.SetTimer(kTimerShowSplash, kShowSplashDelayMs);
    return true;
}

bool LauncherSequencer::OnTimer(unsigned id) {
    switch (id) {
        case kTimerShowSplash:
            platform_.KillTimer(id);
            if (state_ == LauncherState::kHidden) ShowSplashStep();
            return true;
        case kTimerStart:
            platform_.KillTimer(id);
            if (state_ == LauncherState::kSplash) RunStartSequence();
            return true;
        case kTimerRunTimeout:
            platform_.KillTimer(id);
            if (state_ == LauncherState::kWaiting) OnRunTimeout();
            return true;
        default:
            return false;
    }
}

void LauncherSequencer::ShowSplashStep() {
    const std::string failText = ReadIniString("Initial", "FailToSplash", "");
    if (!platform_.ShowSplash(settingsPath_, prepareText_, failText)) {
        // The dialog has ended: no start timer after it.
        platform_.ShowError(failText);
        Cancel();
        return;
    }
    state_ = LauncherState::kSplash;
    platform_.SetTimer(kTimerStart, kStartDelayMs);
}

void LauncherSequencer::FailStart(int messageId) {
    if (messageId >= 0) platform_.ShowError(Message(messageId));
    Cancel();
}

void LauncherSequencer::RunStartSequence() {
    state_ = LauncherState::kStarting;
    messages_.LoadMessages([this](std::string_view section, std::string_view key, std::string_view def) {
        return ReadIniString(section, key, def);
    });
    platform_.SetDialogTexts(Message(kMsgComment), Message(kMsgButtonTitle));

    version_ = platform_.QueryOsVersion();
    if (!IsSupportedVersionCode(OsVersionCode(version_))) return FailStart(kMsgInvalidOs);
    if (!HoldOwnMutex()) return FailStart(-1);  // the other launcher's window has come forward
    targetApp_ = IniValueToInt(ReadIniString("Initial", "TargetApp", IniIntDefaultText(kDefaultTargetApp)));
    if (!WaitForEraser()) return FailStart(kMsgEreserRunning);
    if (!CheckConflictingPrograms()) return FailStart(-1);  // message 3 is shown
    if (!HoldLauncherMutexes() || !HoldEditionMutex()) return FailStart(kMsgFailMutex);

    const std::vector<char> drives = platform_.CdRomDrives();
    if (drives.empty()) return FailStart(kMsgNoCdRomDrive);
    platform_.SetDriveList(drives);
    if (!ExtractArchives()) return FailStart(kMsgFailToRetrieveSkin);

    startEraser_ = true;
    if (MovesCommentControl(targetApp_)) platform_.MoveCommentControl(kMovedCommentRect);
    platform_.RevealDialog();
    platform_.DestroySplash();
    state_ = LauncherState::kReady;
}

bool LauncherSequencer::HoldOwnMutex() {
    if (platform_.IsProgramRunning(kProbeLauncherItself)) return false;
    return platform_.AcquireMutex(MutexSlot::kOwn, OwnMutexSpec());
}

bool LauncherSequencer::WaitForEraser() {
    for (int probe = 0; probe < kEraserProbes; ++probe) {
        if (!platform_.IsProgramRunning(kProbeEraser)) return true;
        platform_.Sleep(kEraserPauseMs);
    }
    return false;
}

bool LauncherSequencer::CheckConflictingPrograms() {
    const ConflictPlan plan = ConflictPlanFor(targetApp_);
    // The launcher-family probe runs first and ends the check; inside a group
    // every probe runs, each bringing its window forward.
    bool running = platform_.IsProgramRunning(kProbeLauncherFamily);
    if (!running) {
        for (const ProgramProbe& probe : plan.probes) {
            if (platform_.IsProgramRunning(probe)) running = true;
            if (running && plan.stopAtFirst) break;
        }
    }
    if (!running) return true;
    // The text comes from a disc's file: never a printf format.
    platform_.ShowError(FormatOneArg(Message(kMsgAppRunning), plan.messageName));
    return false;
}

bool LauncherSequencer::HoldLauncherMutexes() {
    if (!platform_.AcquireMutex(MutexSlot::kLauncherLocal, LauncherLocalMutexSpec())) return false;
    return platform_.AcquireMutex(MutexSlot::kLauncherGlobal, LauncherGlobalMutexSpec());
}

bool LauncherSequencer::HoldEditionMutex() {
    const std::optional<MutexSpec> spec = EditionMutexSpec(targetApp_, UseGlobalNamespace(version_));
    if (!spec) return true;
    // Still held (edition 100 keeps it across a start): keep that handle
    // rather than set the slot up again and lose it.
    if (editionHeld_) return true;
    editionHeld_ = platform_.AcquireMutex(MutexSlot::kEdition, *spec);
    return editionHeld_;
}

void LauncherSequencer::ReleaseEditionMutex() {
    platform_.ReleaseMutex(MutexSlot::kEdition);
    editionHeld_ = false;
}

void LauncherSequencer::ReleaseLauncherMutexes() {
    platform_.ReleaseMutex(MutexSlot::kLauncherGlobal);
    platform_.ReleaseMutex(MutexSlot::kLauncherLocal);
}

bool LauncherSequencer::ExtractArchives() {
    const uint16_t lang = targetApp_ == kEditionCryvane ? platform_.UserDefaultLangId() : 0;
    const std::optional<EditionArchives> archives = SelectArchives(targetApp_, lang);
    if (!archives) return false;
    if (ExtractAll(*archives)) return true;
    platform_.DeleteFolderTree(workFolder_);
    return ExtractAll(*archives);
}

bool LauncherSequencer::ExtractAll(const EditionArchives& archives) {
    // By full path: a library of that name elsewhere on the search path is never taken.
    const std::string server = launcherFolder_ + kArchiveServerDll;
    if (!platform_.ExtractArchive(server, launcherFolder_ + archives.module, workFolder_)) return false;
    if (targetApp_ != kEditionVeltrin && !platform_.ExtractArchive(server, launcherFolder_ + archives.skin, workFolder_))
        return false;
    return true;
}

void LauncherSequencer::OnRun() {
    if (state_ != LauncherState::kReady) return;
    state_ = LauncherState::kChecking;
    platform_.EnableControls(false);
    drive_ = platform_.SelectedDrive();

    const bool ready = [this] {
        if (!platform_.WaitForDisc(drive_, Message(kMsgWaitingAppRun))) {
            platform_.ShowError(Message(kMsgNoDiscInserted));
            return false;
        }
        if (!CheckDisc()) return false;
        const bool admin = platform_.IsUserAdmin();  // always asked
        if (!admin && driverCheckFree_ == 0) {
            const int driver = CheckDriverEnvironment();
            if (driver == kDriverInstallNeeded || driver == kDriverInstallNeededAlt) {
                platform_.ShowDriverDownload(Message(kMsgNeedDriverInstall), Message(kMsgDownloadSiteUrl));
                return false;
            }
            if (driver != kDriverReady) {
                platform_.ShowError(Message(kMsgFailDriverCheck));
                return false;
            }
        }
        return true;
    }();

    if (ready) {
        if (ReleasesEditionMutexBeforeStart(targetApp_)) ReleaseEditionMutex();
        const std::optional<ShellStart> start =
            StartCommandFor(targetApp_, workFolder_, drive_, platform_.OwnerWindow(), versionCode_);
        // Waiting before the start: the shell may dispatch messages while it
        // starts the program, and a hand-off that arrives then must count.
        started_ = true;
        state_ = LauncherState::kWaiting;
        platform_.SetTimer(kTimerRunTimeout, kRunTimeoutMs);
        const bool ok = start && platform_.ShellOpen(*start);
        if (state_ == LauncherState::kEnded) return;  // the hand-off came during the start
        if (ok) {
            startEraser_ = false;
            return;
        }
        platform_.KillTimer(kTimerRunTimeout);
        started_ = false;
        state_ = LauncherState::kChecking;
        HoldEditionMutex();  // its result is not looked at
        platform_.ShowError(Message(kMsgFailToRunApp));
    }
    platform_.EnableControls(true);
    state_ = LauncherState::kReady;
}

bool LauncherSequencer::CheckDisc() {
    const DiscCheck check = CheckDiscFacts(targetApp_, platform_.GatherDiscFacts(drive_, DiscQuestionsFor(targetApp_)));
    if (check.versionCode) versionCode_ = *check.versionCode;
    if (check.driverCheckFree) driverCheckFree_ = *check.driverCheckFree;
    if (check.passed) return true;
    // The text comes from a disc's file: never a printf format.
    platform_.ShowError(FormatOneArg(Message(check.messageId), EditionName(targetApp_)));
    return false;
}

int LauncherSequencer::CheckDriverEnvironment() {
    // A path that does not fit the record fails the check rather than being cut.
    const std::optional<DriverRequestBytes> record = BuildDriverRequest(launcherPath_, workFolder_);
    if (!record) return kDriverCheckFailed;
    return MapDriverResult(platform_.CheckEnvironment(workFolder_ + kDriverManagerDll, *record));
}

void LauncherSequencer::OnRunTimeout() {
    platform_.EnableCloseItem();
    startEraser_ = true;
    acceptClose_ = false;
    platform_.ShowError(Message(kMsgFailToRunApp));
    Cancel();
}

void LauncherSequencer::OnCloseRequest() {
    switch (state_) {
        case LauncherState::kHidden:
        case LauncherState::kSplash:
        case LauncherState::kReady:
            Cancel();
            return;
        default:
            return;
    }
}

bool LauncherSequencer::OnHandOff() {
    if (!started_ || !acceptClose_ || state_ == LauncherState::kEnded) return false;
    state_ = LauncherState::kEnded;
    platform_.DestroyDialog();
    return true;
}

void LauncherSequencer::Cancel() {
    state_ = LauncherState::kEnded;
    ReleaseEditionMutex();
    ReleaseLauncherMutexes();
    if (startEraser_) platform_.ShellOpen(EraserCommand(workFolder_));  // its result is not looked at
    platform_.ReleaseMutex(MutexSlot::kOwn);
    platform_.EndDialog();
}

}  // namespace kb::launcher
