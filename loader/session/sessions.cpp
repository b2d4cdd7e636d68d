#include "loader/session/sessions.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "loader/path_csv.h"
#include "loader/session/disc_layout.h"
#include "loader/session/password.h"
#include "shared/base/fs.h"
#include "shared/base/strutils.h"

namespace kb::loader {

// "展開される合計サイズ： 0MB"
const char kEdition1SizeText[] =
    "\x93\x57\x8a\x4a\x82\xb3\x82\xea\x82\xe9\x8d\x87\x8c\x76\x83\x54\x83\x43\x83\x59\x81\x46\x20\x30\x4d\x42";

namespace {

// Scans after the first while no session is found.
constexpr int kScanRetries = 20;

bool IsFile(const std::string& path) {
    uint32_t attributes = 0;
    return fs::GetAttributes(path, &attributes) && !(attributes & fs::kAttrDirectory);
}

// A directory search admitting read-only, hidden and directory entries finds
// any entry of that name but a system one.
bool EntryFound(const std::string& path) {
    uint32_t attributes = 0;
    return fs::GetAttributes(path, &attributes) && !(attributes & fs::kAttrSystem);
}

const ListRow* FindCaption(const std::vector<ListRow>& rows, const std::string& caption) {
    for (const ListRow& row : rows)
        if (row.caption == caption) return &row;
    return nullptr;
}

void AppendTopLevelRow(std::vector<ListRow>& fileList, const std::vector<ListRow>& summaries,
                       const std::string& caption, bool folder) {
    ListRow row{caption, {folder ? "1" : "0", "0", "0"}, -1};
    if (const ListRow* summary = FindCaption(summaries, caption)) {
        row.subItems[kSizeColumn] = summary->subItems[0];
        row.subItems[kRuleColumn] = summary->subItems[2];
    }
    fileList.push_back(std::move(row));
}

}  // namespace

TSessionS::TSessionS(EntryListFactory makeList) : makeList_(std::move(makeList)) {}

SessionRecord& TSessionS::Session(int index) {
    if (index < 1 || index > kMaxSessions) throw std::out_of_range("session index");
    return sessions_[static_cast<size_t>(index - 1)];
}

const SessionRecord& TSessionS::Session(int index) const {
    if (index < 1 || index > kMaxSessions) throw std::out_of_range("session index");
    return sessions_[static_cast<size_t>(index - 1)];
}

void TSessionS::SetCurrentFile(const std::string& path, bool unpackedCopy) {
    currentFile_ = path;
    currentFileUnpacked_ = unpackedCopy;
}

void TSessionS::ScanSessions(const std::string& driveRoot, const std::function<void()>& pauseBetweenScans) {
    for (int retries = kScanRetries;; --retries) {
        for (int n = 1; n <= kMaxSessions; ++n) {
            const std::string folder = driveRoot + "\\" + SessionFolderName(n);
            if (!EntryFound(folder) || !IsFile(folder + "\\" + kControlPck) || !IsFile(folder + "\\" + kFilesLst))
                continue;
            ++count_;
            Session(count_).folder = folder;
        }
        if (count_ > 0 || retries == 0) return;
        if (pauseBetweenScans) pauseBetweenScans();
    }
}

void TSessionS::ReadControlIni(int index, const std::string& iniPath, const ProfileOpener& open) {
    SessionRecord& record = Session(index);
    const auto ini = open(iniPath);
    auto read = [&](const char* key, const char* defaultValue) {
        return ini ? ini->ReadString("General", key, defaultValue) : std::string(defaultValue);
    };
    record.archive = read("Archive", "Archive");
    record.volumeLabel = read("VolumeLabel", "NONE");
    record.password = read("Password", "");
}

void TSessionS::DeleteUnpackedFiles(const std::string& path) {
    DeleteFileIfPresent(path);
    if (currentFileUnpacked_) DeleteFileIfPresent(currentFile_);
}

FileListResult TSessionS::LoadFileList(int index, const std::string& filesLstPath, const IconLookup& icons,
                                       const std::string& sizeText) {
    return Load(index, filesLstPath, icons, sizeText, false);
}

FileListResult TSessionS::LoadFileListForEdition1(int index, const std::string& filesLstPath,
                                                  const IconLookup& icons) {
    return Load(index, filesLstPath, icons, kEdition1SizeText, true);
}

FileListResult TSessionS::Load(int index, const std::string& filesLstPath, const IconLookup& icons,
                               const std::string& sizeText, bool edition1) {
    SessionRecord& record = Session(index);
    FileListResult result;

    // The lists are made on the first opening and emptied on later ones; the
    // labels keep the texts of the first.
    record.fileList.clear();
    record.selected.clear();
    if (!record.Opened()) {
        record.fullList = makeList_();
        record.exportList = makeList_();
        record.volumeText = record.volumeLabel;
        record.sizeText = sizeText;
    } else {
        record.fullList->Clear();
        record.exportList->Clear();
    }

    std::vector<ListRow> summaries;
    std::string text;
    bool tooLarge = false;
    if (!ReadFilesLstText(filesLstPath, text, &tooLarge))
        result.stop = tooLarge ? FilesLstStop::TooLarge : FilesLstStop::Unreadable;
    int rowNumber = 1;
    const FilesLstStop stop = ReadFilesLstRows(text, [&](const FilesLstRow& row) {
        if (row.kind > 1) {
            summaries.push_back({row.path, {std::to_string(row.size), row.kindText, std::to_string(row.field4)}, -1});
            return;
        }
        if (!IsSafeEntryPath(row.path)) {
            ++result.unsafeRows;
            return;
        }
        record.fullList->AddItem(row.path, rowNumber++, row.size, row.kind);
    });
    if (result.stop == FilesLstStop::None) result.stop = stop;
    record.fullList->RebuildSorted();

    // One row per top-level name: each row is compared with the first row of
    // the current group only.
    std::vector<std::string> prevParts;
    int prevCount = 0;
    for (const ListRow& entry : record.fullList->Rows()) {
        std::vector<std::string> parts = SplitPath(entry.caption);
        const int n = static_cast<int>(parts.size());
        if (n == 0 || CountCommonParts(prevParts, parts, prevCount, n) > 0) continue;
        prevParts = std::move(parts);
        prevCount = n;
        if (edition1) {
            AppendTopLevelRow(record.fileList, summaries, prevParts[0], n > 1);
            continue;
        }
        if (n != 1) continue;
        const std::string name = ExcludeTrailingBackslash(prevParts[0]);
        if (FindCaption(record.fileList, name)) continue;
        AppendTopLevelRow(record.fileList, summaries, name, EndsWithBackslash(prevParts[0]));
    }

    for (ListRow& row : record.fileList) {
        const bool folder = row.subItems[kFolderFlagColumn] == "1";
        row.imageIndex = icons ? icons(folder ? row.caption + "\\" : row.caption) : -1;
    }
    if (!edition1)
        for (ListRow& row : record.fileList)
            if (EndsWithBackslash(row.caption))
                row.caption = LeftStr(row.caption, static_cast<int>(row.caption.size()) - 1);
    return result;
}

}  // namespace kb::loader
