// The export: the selection's lists and label, the gates of StartExport and
// the timer-driven RunExport, one state per tick.
#include <algorithm>
#include <string>
#include <vector>

#include "loader/controller/loader_controller.h"
#include "loader/controller/selection.h"
#include "loader/controller/window_rules.h"
#include "loader/path_csv.h"
#include "shared/base/fs.h"
#include "shared/base/paths.h"
#include "shared/pack_errors.h"

namespace kb::loader {
namespace {

constexpr int kMsgOpening = 10;
constexpr int kMsgPreparing = 11;
constexpr int kMsgFolderSuffix = 900;
constexpr int kMsgFolderNotWritable = 901;
constexpr int kMsgFileNotWritable = 902;
constexpr int kMsgExporting = 903;
constexpr int kMsgStoppingCopy = 904;
constexpr int kMsgWriting = 905;
constexpr int kMsgStoppingWrite = 906;
constexpr int kMsgFinished = 907;
constexpr int kMsgExported = 908;
constexpr int kMsgCancelling = 909;
constexpr int kMsgCancelled = 910;
constexpr int kMsgPathTooLong = 911;
constexpr int kMsgBeforeExport = 912;

constexpr int kLastPauseState = 105;
constexpr int kLastCancelPauseState = 205;
// The last progress of an entry's copy phase; later the entry is expanded.
constexpr int kCopyPhaseEnd = 50;

enum class Kind { None, File, ReadOnlyFile, Folder };

Kind KindOf(const std::string& path) {
    uint32_t attributes = 0;
    if (!fs::GetAttributes(path, &attributes)) return Kind::None;
    if (attributes & fs::kAttrDirectory) return Kind::Folder;
    return (attributes & fs::kAttrReadOnly) ? Kind::ReadOnlyFile : Kind::File;
}

// True when a read-only file lies anywhere below folder. A row's entry may
// write any file inside the folder it is named after, listed in Files.lst or
// not, so the read-only question covers every one the user already has there.
bool HoldsReadOnlyFile(const std::string& folder) {
    std::vector<fs::DirEntry> entries;
    if (!fs::ListFolder(folder, &entries)) return false;
    for (const fs::DirEntry& e : entries) {
        const std::string path = folder + "\\" + e.name;
        // Nothing longer can be written there.
        if (path.size() > kMaxPathLength) continue;
        if (e.attributes & fs::kAttrDirectory) {
            if (HoldsReadOnlyFile(path)) return true;
        } else if (e.attributes & fs::kAttrReadOnly) {
            return true;
        }
    }
    return false;
}

bool IsFolderRow(const ListRow& row) {
    return !row.subItems.empty() && row.subItems[kFolderFlagColumn] == "1";
}
bool IsFileRow(const ListRow& row) {
    return !row.subItems.empty() && row.subItems[kFolderFlagColumn] == "0";
}
const std::string& Cell(const ListRow& row, size_t column) {
    static const std::string empty;
    return column < row.subItems.size() ? row.subItems[column] : empty;
}

// Every folder on the way to target, from the shortest on; what exists stays
// and failures are left to the unpack.
void MakeFoldersTo(const std::string& target) {
    for (size_t i = 1; i < target.size(); ++i)
        if (EndsWithBackslash(std::string_view(target).substr(0, i + 1))) fs::CreateFolder(target.substr(0, i));
}

}  // namespace

void LoaderController::SelectionChanged(int session, std::vector<size_t> selectedRows) {
    if (destroying_ || !sessions_ || session < 1 || session > sessions_->Count()) return;
    SessionRecord& record = sessions_->Session(session);
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    record.selected = std::move(selectedRows);
    if (!record.exportList) return;
    host_.SetCursor(Cursor::Hourglass);
    FillExportList(record, *record.exportList);
    host_.BuildFolderTree(session, *record.exportList);
    int64_t extra = 0;
    const SizeLabelChoice label = SizeLabelFor(::kb::loader::SelectedTotals(record, extra));
    host_.SetSizeLabel(session, label.message == kMsgMegabytes ? FormatWithFloat(Msg(label.message), label.megabytes)
                                                               : Msg(label.message));
    host_.SetCursor(Cursor::Default);
    if (session == currentSession_) UpdateExportButton();
}

int64_t LoaderController::SelectedTotals(int64_t& extra) const {
    extra = 0;
    if (!sessions_ || currentSession_ < 1 || currentSession_ > sessions_->Count()) return 0;
    return ::kb::loader::SelectedTotals(sessions_->Session(currentSession_), extra);
}

bool LoaderController::PasswordGiven() const {
    if (!multiPassword_) return password_.passwordGiven;
    return sessions_ && currentSession_ > 0 && sessions_->Session(currentSession_).passwordGiven;
}

void LoaderController::SetPasswordGiven(bool value) {
    if (!multiPassword_)
        password_.passwordGiven = value;
    else if (sessions_ && currentSession_ > 0)
        sessions_->Session(currentSession_).passwordGiven = value;
}

std::string LoaderController::ContentPassword() const {
    if (!multiPassword_) return password_.password;
    return sessions_ && currentSession_ > 0 ? sessions_->Session(currentSession_).password : std::string();
}

void LoaderController::StartExport() {
    if (!sessions_ || currentSession_ < 1 || currentSession_ > sessions_->Count()) return;
    SessionRecord& record = sessions_->Session(currentSession_);
    if (record.selected.empty() || !record.exportList || sequence_ == Sequence::Export) return;
    host_.ShowMessageBox(Msg(kMsgBeforeExport));
    if (!PasswordGiven()) {
        int wrong = passwordTries_;
        const int result = host_.AskPassword(ContentPassword(), wrong);
        if (result == kModalAbort) return host_.Terminate();
        passwordTries_ = wrong;
        if (result != kModalOk) return;
    }
    SetPasswordGiven(true);
    const std::optional<std::string> folder = host_.SelectDestinationFolder();
    if (!folder) return;
    EnableWindow(false);
    host_.ProcessMessages();
    if (folder->size() >= kRefusedFolderLength ||
        LongestTargetPath(*folder, *record.exportList) >= kRefusedTargetLength || !PackCopiesFit(*folder, record)) {
        host_.ShowPlainMessage(Msg(kMsgPathTooLong));
        EnableWindow(true);
        return;
    }
    overwriteAll_ = false;
    destFolder_ = ExcludeTrailingBackslash(*folder);
    cancelRequested_ = false;
    exportSession_ = currentSession_;
    sequence_ = Sequence::Export;
    runState_ = exOpenProgress;
    TimerOn();
}

void LoaderController::EndExport() {
    host_.CloseProgress();
    sequence_ = Sequence::None;
    runState_ = exOpenProgress;
    EnableWindow(true);
}

void LoaderController::RunExport() {
    if (cancelRequested_ && jobRunning_ == 0 && runState_ < exCancel) {
        runState_ = exCancel;
        TimerOn();
    }
    SessionRecord& record = sessions_->Session(exportSession_);
    switch (runState_) {
        case exOpenProgress:
            jobRunning_ = 0;
            host_.OpenProgress();
            progressText_ = Msg(kMsgOpening);
            host_.SetProgressText(progressText_);
            host_.SetProgress(0);
            host_.SetCancelVisible(false);
            runState_ = exBegin;
            break;
        case exBegin:
            doneCount_ = 0;
            progressText_ = Msg(kMsgPreparing);
            host_.SetProgressText(progressText_);
            runState_ = exPrepare;
            break;
        case exPrepare: {
            pack_->SetPackPassword(ContentPassword());
            pack_->SetPackPath(record.folder + "\\" + record.archive);
            // A volume that cannot tell its free space is not refused for it.
            const std::optional<int64_t> free = host_.FreeSpace(destFolder_ + "\\");
            int64_t extra = 0;
            totalBytes_ = ::kb::loader::SelectedTotals(record, extra);
            if (free && totalBytes_ + extra > *free) {
                host_.PostLoaderError(kErrorFreeSpace);
                runState_ = exAbort;
                break;
            }
            doneBytes_ = 0;
            runState_ = exPrecheck;
            currentPos_ = -1;
            host_.SetCancelVisible(true);
            break;
        }
        case exPrecheck: {
            if (LongestTargetPath(destFolder_, *record.exportList) >= kRefusedTargetLength ||
                !PackCopiesFit(destFolder_, record)) {
                cancelRequested_ = true;
                break;
            }
            const auto& exportRows = record.exportList->Rows();
            const bool readOnlyTarget =
                std::any_of(exportRows.begin(), exportRows.end(), [&](const ListRow& e) {
                    return KindOf(destFolder_ + "\\" + e.caption) == Kind::ReadOnlyFile;
                }) ||
                std::any_of(record.selected.begin(), record.selected.end(), [&](size_t i) {
                    const std::string target = destFolder_ + "\\" + record.fileList[i].caption;
                    return KindOf(target) == Kind::Folder && HoldsReadOnlyFile(target);
                });
            const int answer = readOnlyTarget ? host_.AskOverwrite("", kOverwriteReadOnly) : kModalYes;
            if (answer == kModalYes)
                runState_ = exNextItem;
            else
                cancelRequested_ = true;
            break;
        }
        case exNextItem:
            return ExportNextItem();
        case exWaitUnpack:
            return ExportWaitUnpack();
        case exItemDone: {
            const int64_t size = CellInt64(record.fileList[record.selected[currentPos_]], kSizeColumn);
            const int pct = ExportPercent(100, size, doneBytes_, totalBytes_);
            doneBytes_ += size;
            host_.SetProgress(pct);
            ++doneCount_;
            runState_ = exNextItem;
            break;
        }
        case exFinish:
            host_.SetProgress(100);
            progressText_ = Msg(kMsgFinished);
            host_.SetProgressText(progressText_);
            ++runState_;
            break;
        case exFinishClose:
            EndExport();
            host_.ShowSkinnedMessage(Msg(kMsgExported));
            return;
        case exCancel:
            progressText_ = Msg(kMsgCancelling);
            host_.SetProgressText(progressText_);
            host_.SetCancelVisible(false);
            ++runState_;
            break;
        case exCancelClose:
            host_.ShowSkinnedMessage(Msg(kMsgCancelled));
            EndExport();
            return;
        case exAbort:
            EndExport();
            return;
        default:
            if ((runState_ > exFinish && runState_ <= kLastPauseState) ||
                (runState_ > exCancel && runState_ <= kLastCancelPauseState)) {
                ++runState_;
                break;
            }
            return;  // no such state: the sequence ends
    }
    TimerOn();
}

void LoaderController::ExportNextItem() {
    SessionRecord& record = sessions_->Session(exportSession_);
    const int count = static_cast<int>(record.selected.size());
    if (doneCount_ >= count) {
        runState_ = exFinish;
        return TimerOn();
    }
    currentPos_ = doneCount_ == 0 ? 0 : currentPos_ + 1;
    const ListRow& row = record.fileList[record.selected[currentPos_]];
    const std::string target = destFolder_ + "\\" + row.caption;

    // Nothing is made or written for a row that would leave the destination;
    // it ends the export the way the library's own refusal does.
    if (!ExportStaysInside(record, row)) {
        host_.ShowPlainMessage(pack_->ErrorString(PACKERR_INVALID_PARAMETER));
        host_.PostLoaderError(kErrorPackJob);
        runState_ = exAbort;
        return TimerOn();
    }

    std::string shown = row.caption;
    const bool folderRow = IsFolderRow(row);
    if (folderRow) shown += Msg(kMsgFolderSuffix);
    if (!host_.CanWriteTo(destFolder_)) {
        host_.ShowPlainMessage(Msg(folderRow ? kMsgFolderNotWritable : kMsgFileNotWritable));
        runState_ = exCancelClose;
        return TimerOn();
    }
    progressText_ = shown;
    host_.SetProgressText(progressText_);
    progressText_ += Msg(kMsgExporting);
    host_.SetProgressText(progressText_);

    if (!overwriteAll_) {
        const auto& full = record.fullList->Rows();
        const bool isFolder = std::any_of(full.begin(), full.end(),
                                          [&](const ListRow& e) { return e.caption == row.caption + "\\"; });
        const Kind kind = KindOf(target);
        std::optional<std::string> ask;
        if (!isFolder && IsFileRow(row) && (kind == Kind::File || kind == Kind::ReadOnlyFile)) {
            ask = target;
        } else if (kind == Kind::Folder) {
            // Also for a file row: its entry may write inside a folder of its
            // name, and the user is asked before any file of theirs is replaced.
            ask = target + Msg(kMsgFolderSuffix);
        }
        if (ask) {
            const bool last = doneCount_ == count - 1;
            const int result = host_.AskOverwrite(*ask, last ? kOverwriteLastFile : kOverwriteMoreFiles);
            if (result == kModalNone || result == kModalCancel) {
                cancelRequested_ = true;
                return TimerOn();
            }
            if (result == kModalNo) {
                if (last)
                    cancelRequested_ = true;
                else
                    runState_ = exItemDone;
                return TimerOn();
            }
            if (result == kModalYesToAll) overwriteAll_ = true;
        }
    }

    for (const ListRow& e : record.fullList->Rows())
        if (Cell(e, 1) == "1" && BeginsWithFolder(e.caption, row.caption)) MakeFoldersTo(destFolder_ + "\\" + e.caption);

    int64_t rule = 0;
    ParseDecimal64(Cell(row, kRuleColumn), rule);
    if (rule == 1) {
        runState_ = exItemDone;
        return TimerOn();
    }
    if (rule == 2) {
        const auto& full = record.fullList->Rows();
        const bool holdsFiles = std::any_of(full.begin(), full.end(), [&](const ListRow& e) {
            return !EndsWithBackslash(e.caption) && BeginsWithFolder(e.caption, row.caption);
        });
        if (!holdsFiles) {
            runState_ = exItemDone;
            return TimerOn();
        }
    }

    // Files.lst's sizes may understate what the entry holds: the library is
    // told the room left, and refuses an entry whose own sizes do not fit it
    // before anything of it is written.
    if (const std::optional<int64_t> free = host_.FreeSpace(destFolder_ + "\\"))
        pack_->SetUnpackLimit(std::max<int64_t>(*free, 1));
    const int rc = pack_->UnPack(destFolder_ + "\\", row.caption);
    if (rc == 0) {
        jobRunning_ = 1;
        runState_ = exWaitUnpack;
    } else if (rc == PACKERR_FILE_TOO_BIG) {
        host_.PostLoaderError(kErrorFreeSpace);
        runState_ = exAbort;
    } else {
        host_.ShowPlainMessage(pack_->ErrorString(rc));
        host_.PostLoaderError(kErrorPackJob);
        runState_ = exAbort;
    }
    TimerOn();
}

void LoaderController::ExportWaitUnpack() {
    SessionRecord& record = sessions_->Session(exportSession_);
    std::string name;
    const int p = pack_->GetProgress(name);
    if (p >= 100) {
        jobRunning_ = 0;
        runState_ = exItemDone;
        return TimerOn();
    }
    if (p == PACKERR_FILE_TOO_BIG) {
        jobRunning_ = 0;
        host_.PostLoaderError(kErrorFreeSpace);
        runState_ = exAbort;
        return TimerOn();
    }
    if (p < 0) {
        jobRunning_ = 0;
        host_.ShowPlainMessage(pack_->ErrorString(p));
        host_.PostLoaderError(kErrorPackJob);
        runState_ = exAbort;
        return TimerOn();
    }
    const int64_t size = CellInt64(record.fileList[record.selected[currentPos_]], kSizeColumn);
    if (p > kCopyPhaseEnd) {
        progressText_ = name;
        host_.SetProgressText(progressText_);
        progressText_ += Msg(kMsgWriting);
        host_.SetProgressText(progressText_);
    }
    host_.SetProgress(ExportPercent(p, size, doneBytes_, totalBytes_));
    TimerOn();
    if (cancelRequested_) {
        progressText_ = Msg(p > kCopyPhaseEnd ? kMsgStoppingWrite : kMsgStoppingCopy);
        host_.SetProgressText(progressText_);
        host_.SetCancelVisible(false);
        pack_->Stop(host_.MainWindowHandle());
    }
}

}  // namespace kb::loader
