// TSessionS: the disc's sessions, one record per session folder, and each
// session's lists as data.
#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loader/profile.h"
#include "loader/session/entry_list.h"
#include "loader/session/files_lst.h"

namespace kb::loader {

// The session file list's columns after the caption.
constexpr size_t kFolderFlagColumn = 0;  // "1" folder, "0" file
constexpr size_t kSizeColumn = 1;        // the summary row's size, "0" without one
constexpr size_t kRuleColumn = 2;        // the summary row's field 4, "0" without one

// The size label of an edition-1 session (fixed text, Shift-JIS).
extern const char kEdition1SizeText[];

struct SessionRecord {
    std::string folder;       // drive root, "\" and the session folder's name
    std::string archive;      // "Control.ini" Archive
    std::string volumeLabel;  // "Control.ini" VolumeLabel
    std::string password;     // "Control.ini" Password (MULTI discs)
    bool passwordGiven = false;

    // The session file list: one row per top-level entry (caption and the
    // three columns above); the list the user selects in.
    std::vector<ListRow> fileList;
    // Rows of fileList the user has selected, ascending.
    std::vector<size_t> selected;
    // Every entry row of "Files.lst", sorted; present once the session has
    // been opened.
    std::unique_ptr<EntryList> fullList;
    // The entries to export; present once the session has been opened.
    std::unique_ptr<EntryList> exportList;
    // The texts the session's two labels got when its views were made; later
    // openings keep them.
    std::string volumeText;
    std::string sizeText;
    // Set when the user was told about skipped rows of this session.
    bool unsafeRowsReported = false;

    bool Opened() const { return fullList != nullptr; }
};

// What building a session's lists met.
struct FileListResult {
    FilesLstStop stop = FilesLstStop::None;  // the rows read before it are kept
    int unsafeRows = 0;                      // entry rows left out (IsSafeEntryPath)
};

class TSessionS {
public:
    explicit TSessionS(EntryListFactory makeList);
    TSessionS(const TSessionS&) = delete;
    TSessionS& operator=(const TSessionS&) = delete;

    // Sessions found, 0 to 20.
    int Count() const { return count_; }
    // Record index, 1 to 20 (records 1 to Count are used, in the order of
    // their folder numbers).
    SessionRecord& Session(int index);
    const SessionRecord& Session(int index) const;

    // The file the open-session sequence works on: the unpacked control-file
    // copy (unpackedCopy true) or the session's "Files.lst" on the disc.
    const std::string& CurrentFile() const { return currentFile_; }
    void SetCurrentFile(const std::string& path, bool unpackedCopy);

    // Finds the session folders "Session01" to "Session20" under driveRoot that
    // hold both "Control.pck" and "Files.lst" as files and fills Count and the
    // records' Folder, closing up gaps. While none is found it scans again, up
    // to 20 more times, calling pauseBetweenScans before each (the caller lets
    // the window's messages run and waits 5 ms there).
    void ScanSessions(const std::string& driveRoot, const std::function<void()>& pauseBetweenScans);

    // Archive (default "Archive"), VolumeLabel (default "NONE") and Password
    // (default empty, not trimmed) of [General] in the control file at iniPath
    // into record index. open must read the file as it now is.
    void ReadControlIni(int index, const std::string& iniPath, const ProfileOpener& open);

    // Deletes path when given and a file; then the current file when it is the
    // unpacked control-file copy and exists. Files on the disc are never deleted.
    void DeleteUnpackedFiles(const std::string& path);

    // Builds record index's lists from the "Files.lst" at filesLstPath (editions
    // 0 and 2): every entry row into the full list, one file-list row per
    // top-level entry that has a row of its own, with its summary row's size
    // and rule and its icon. On first opening the lists are made and the
    // labels get the volume label and sizeText; later openings empty and
    // refill the lists. Rows with unsafe paths are left out and counted. When
    // the reading stops early, the lists are built from the rows read so far.
    FileListResult LoadFileList(int index, const std::string& filesLstPath, const IconLookup& icons,
                                const std::string& sizeText);
    // The same for edition 1: one file-list row for the first entry of each
    // top-level group, whether or not the folder has a row of its own; a folder's
    // own one-part row keeps its backslash; the size label is the fixed text.
    FileListResult LoadFileListForEdition1(int index, const std::string& filesLstPath, const IconLookup& icons);

private:
    FileListResult Load(int index, const std::string& filesLstPath, const IconLookup& icons,
                        const std::string& sizeText, bool edition1);

    EntryListFactory makeList_;
    int count_ = 0;
    std::array<SessionRecord, 20> sessions_;
    std::string currentFile_;
    bool currentFileUnpacked_ = false;
};

}  // namespace kb::loader
