#include "archive/vbrm_run.h"

#include <cstdio>
#include <vector>

#include "archive/frame.h"
#include "shared/base/fs.h"
#include "archive/name_index.h"
#include "archive/names.h"
#include "archive/reader.h"
#include "archive/vbrm_plan.h"
#include "archive/vbrm_version.h"
#include "shared/base/message_sink.h"
#include "shared/base/dbcs.h"
#include "shared/base/version.h"

namespace ark::vbrm {

namespace fs = kb::fs;

namespace {

constexpr int kNameBufferSize = 4096;
// The code the error log gets for a copy the check merely notes.
constexpr int kNotedCopyCode = 4096;

// Appends one record to the report file; a report that cannot be written is dropped.
void Log(components::System& sys, const std::string& path, const std::string& report) {
    sys.AppendBytes(path, ReportRecord(sys.LocalDateTime(), report));
}

}  // namespace

int CheckOneVBRM(components::System& sys, uint32_t& status, std::string& version,
                 const std::string& installed, const std::string& extracted) {
    Server().Enter("CheckOneVBRM");
    status = fs::Exists(installed) ? kInstalled : kNotInstalled;
    if (status & kInstalled) {
        const components::ModuleVersion system = sys.ReadModuleVersion(installed);
        const components::ModuleVersion archive = sys.ReadModuleVersion(extracted);
        if (!EqualIgnoringAsciiCase(system.translation, archive.translation)) status |= kCodePageDiffers;
        status |= static_cast<uint32_t>(CompareVersions(system.fileVersion, archive.fileVersion));
        version = BoundVersionText(archive.fileVersion);
    }
    if (sys.IsComServer(extracted)) status |= kComServer;
    if (!(status & kSystemOlder)) return ARKSTOWRET_OK;

    // Whether the installed copy can be replaced now. The copy over the
    // extracted file shows that it can be read; opening it for writing without
    // sharing shows that nothing holds it. The installed copy is never deleted
    // or rewritten here, so a failed probe cannot lose it.
    if (!sys.CopyOver(installed, extracted)) {
        Server().RecordFailure("CopyFile", installed + " -> " + extracted, kNotedCopyCode);
        status |= kCannotAccess;
        return ARKSTOWRET_OK;
    }
    if (!sys.CanReplace(installed)) status |= kCannotAccess;
    return ARKSTOWRET_OK;
}

int InstallVBRM(components::System& sys, const std::string& archive, const std::string& cdFolder,
                bool allowInstall, const std::string& rebootMessage) {
    Server().Enter("_InstallVBRM");
    NameIndexWriteGuard writing;
    std::string temp, system;
    if (!sys.TempFolder(temp)) return ARKSTOWRET_TEMP_PATH_FAILED;
    if (!sys.SystemFolder(system)) return ARKSTOWRET_SYSTEM_DIR_FAILED;
    temp = JoinPath(temp, "");
    const int count = CountEntries(archive, nullptr, nullptr);
    if (count < 0) return count;
    std::vector<uint32_t> statuses(static_cast<size_t>(count), 0);

    const std::string taskFile = temp + kTaskFileName;
    const std::string historyFile = JoinPath(JoinPath(system, "TQZDisc"), kHistoryFileName);
    const std::string reportFile = temp + kReportFileName;
    fs::RemoveFile(taskFile);
    fs::RemoveFile(reportFile);

    // A task file the installer would read incompletely is a failure of the
    // run, not something to carry on past.
    auto writeTask = [&](const std::string& section, const std::string& key, const std::string& value) {
        return sys.WriteIniString(taskFile, section, key, value);
    };
    auto taskFailure = [&] { return Server().ClibFailure("WritePrivateProfileString", taskFile); };
    if (!writeTask("General", "Count", std::to_string(count))) return taskFailure();

    // Every module is extracted for its check into a folder of the call's
    // own: a user's file named like an entry in the temp folder is never
    // written over, and no folder of an entry's name is left there.
    struct PrivateFolder {
        std::string path;
        ~PrivateFolder() {
            if (!path.empty()) fs::RemoveTree(path);
        }
    } extraction{fs::CreatePrivateFolder(temp, "~vbrm")};
    if (extraction.path.empty()) return Server().ClibFailure("CreateDirectory", temp);
    // The modules put into the temp folder for the installer, and the folders
    // made for them: taken away again when the run fails.
    struct Queued {
        std::vector<std::string> files, folders;
        bool kept = false;
        ~Queued() {
            if (kept) return;
            for (const std::string& file : files) {
                fs::SetAttributes(file, fs::kAttrNormal);
                fs::RemoveFile(file);
            }
            for (auto it = folders.rbegin(); it != folders.rend(); ++it) fs::RemoveFolder(*it);
        }
    } queued;

    int state = kStateNothing;
    std::vector<std::string> names;
    std::vector<char> buffer(kNameBufferSize + 1);
    for (int i = 0; i < count; ++i) {
        if (int rc = ReadName(archive, i, buffer.data(), kNameBufferSize); rc != ARKSTOWRET_OK) return rc;
        const std::string name(buffer.data());
        // The name is joined to the temp and system folders: one that could
        // leave them is refused before anything is written for it.
        if (!IsSafeName(name)) return ARKSTOWRET_UNSAFE_NAME;
        names.push_back(name);
        char key[16];
        std::snprintf(key, sizeof key, "File%.2d", i);
        if (!writeTask("General", key, "\"" + name + "\"")) return taskFailure();

        const std::string extracted = JoinPath(extraction.path, name);
        if (int rc = SaveEntryByIndex(archive, i, extracted); rc != ARKSTOWRET_OK) return rc;
        uint32_t status = 0;
        std::string version;
        if (int rc = CheckOneVBRM(sys, status, version, JoinPath(system, name), extracted); rc != ARKSTOWRET_OK)
            return rc;

        if (allowInstall) {
            bool queue = false;
            if (status & kNotInstalled) {
                queue = true;
            } else if (status & kSystemOlder) {
                HistoryRecord history;
                history.copyFailed = ParseIniBool(sys.ReadIniString(historyFile, name, "CopyFailed"), false);
                history.copyDone = ParseIniBool(sys.ReadIniString(historyFile, name, "CopyDone"), false);
                if (history.copyDone) history.version = sys.ReadIniString(historyFile, name, "Version");
                status = ApplyHistory(status, history, version);
                queue = !(status & (kFailedBefore | kDoneBefore));
            }
            if (queue) {
                // The installer finds the module in the temp folder under its
                // name, the archive's bytes (the check may have put the
                // installed copy's into the private one). A name that is
                // taken there is the user's: the install is refused.
                if (int rc = SaveEntryByIndex(archive, i, extracted); rc != ARKSTOWRET_OK) return rc;
                const std::string placed = temp + name;
                for (size_t at = temp.size(); at < placed.size(); at += kb::CharLengthAt(placed, at)) {
                    if (kb::CharLengthAt(placed, at) != 1 || placed[at] != '\\') continue;
                    const std::string folder = placed.substr(0, at);
                    if (fs::CreateFolder(folder)) queued.folders.push_back(folder);
                }
                if (!fs::CopyToNewFile(extracted, placed)) return ARKSTOWRET_SAVE_FAILED;
                queued.files.push_back(placed);
                state = kStateDoneNow;
                if (!writeTask(name, "Copy", "1") || !writeTask(name, "Version", version) ||
                    ((status & kComServer) && !writeTask(name, "COMServer", "1")))
                    return taskFailure();
            }
        }
        fs::SetAttributes(extracted, fs::kAttrNormal);
        fs::RemoveFile(extracted);
        statuses[static_cast<size_t>(i)] = status;
        Log(sys, reportFile, EntryReport(name, status));
    }

    std::vector<std::string> restart, com;
    for (size_t i = 0; i < names.size(); ++i) {
        if (NeedsRestart(statuses[i])) restart.push_back(names[i]);
        if (IsComToUpdate(statuses[i])) com.push_back(names[i]);
    }
    if (!restart.empty()) Log(sys, reportFile, ListReport(kRestartHeading, restart));
    if (!com.empty()) Log(sys, reportFile, ListReport(kComHeading, com));
    state = StateAfterLists(state, allowInstall, restart.empty(), com.empty());
    if (state == kStateNothing) return ARKSTOWRET_OK;

    const std::string discInstaller = JoinPath(cdFolder, kInstallerName);
    const std::string tempInstaller = temp + kInstallerName;
    if (!fs::Exists(discInstaller)) {
        kb::ShowMessage(kMessageTitle, (std::string(kInstallerName) + " not found in CD.").c_str());
        return ARKSTOWRET_INSTALLER_NOT_FOUND;
    }
    if (fs::Exists(tempInstaller)) {
        uint32_t attributes = 0;
        if (!fs::GetAttributes(tempInstaller, &attributes)) return ARKSTOWRET_ATTRIBUTES_FAILED;
        fs::SetAttributes(tempInstaller, attributes & ~fs::kAttrReadOnly);
    }
    if (!sys.CopyOver(discInstaller, tempInstaller))
        return Server().ClibFailure("CopyFile", discInstaller + " -> " + tempInstaller);

    // The installer's path is quoted wherever it becomes a command line: a
    // temp folder with blanks must not start another program.
    const std::string quoted = "\"" + tempInstaller + "\"";
    if (state == kStateDoneNow) {
        Log(sys, reportFile, kNowText);
        // An installer that did not start has done nothing: its task stays.
        if (!sys.RunAndWait(quoted)) return Server().ClibFailure("CreateProcess", tempInstaller);
        queued.kept = true;
        fs::RemoveFile(tempInstaller);
        fs::RemoveFile(taskFile);
        return ARKSTOWRET_DONE_NOW;
    }

    Log(sys, reportFile, DeferredReport(state));
    if (state == kStateNeedReboot) {
        if (sys.WindowsVersionCode() & kb::kWinFamilyNt) kb::ShowMessage(kMessageTitle, rebootMessage.c_str());
        switch (sys.SetMachineString(kRunOnceKey, kRunOnceValue, quoted)) {
            case components::RegWrite::Ok:
                break;
            case components::RegWrite::KeyFailed:
                return Server().ClibFailure("RegCreateKeyEx", std::string("HKEY_LOCAL_MACHINE\\") + kRunOnceKey);
            case components::RegWrite::ValueFailed:
                return Server().ClibFailure("RegSetValueEx", std::string("HKEY_LOCAL_MACHINE\\") + kRunOnceKey);
        }
        Log(sys, reportFile, RunOnceReport(tempInstaller));
    }
    queued.kept = true;
    return state;
}

}  // namespace ark::vbrm
