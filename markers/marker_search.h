// markers/: the marker-file search over an injected view of drives and folders,
// with the Windows view beside it (system_marker_view_win.cpp). Spurlane.dll's
// exports are in win/, the tests in tests/. It may use shared/ only.
//
// Where the marker files of an administrator-mode install step are looked for,
// and the search itself, over an injected view of the drives and folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kb::markers {

inline constexpr char kInstMarker[] = "AdminForInst";
inline constexpr char kNeedRebootMarker[] = "AdminForNeedReboot";
// Every candidate folder ends with this.
inline constexpr char kMarkerFolder[] = "TQZDisc\\";
// Appended to a profile folder's full path.
inline constexpr char kProfileTempFolder[] = "\\Local Settings\\Temp\\";

// Drives C: to Y:; Z: is never examined.
inline constexpr char kFirstDriveLetter = 'C';
inline constexpr int kDriveLetterCount = 23;
// The drive type that admits a drive root (DRIVE_FIXED).
inline constexpr unsigned kDriveFixed = 3;

// File attribute bits as the file system reports them.
inline constexpr std::uint32_t kAttrHidden = 0x2;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
// The error a failed first-entry search may report while still returning its find data.
inline constexpr std::uint32_t kErrorMoreData = 234;

// One entry of a folder listing.
struct FolderEntry {
    std::string name;
    std::uint32_t attributes = 0;
};

// What a first-entry search on one path gave back, untouched.
struct FindFirstResult {
    bool succeeded = false;
    std::uint32_t lastError = 0;  // meaningful only when !succeeded
    // The find data as returned; entryReturned is false when the system
    // left it empty (no name), so its attributes say nothing.
    bool entryReturned = false;
    std::uint32_t attributes = 0;
};

// The machine as the search sees it. Paths are single-byte ANSI strings.
class MarkerView {
public:
    virtual ~MarkerView() = default;
    // Drive type of a root such as "C:\".
    virtual unsigned DriveType(const std::string& root) = 0;
    // The current user's profile folder, or nothing when the shell cannot tell.
    virtual std::optional<std::string> ProfileFolder() = 0;
    // One first-entry search on path (no wildcards expected).
    virtual FindFirstResult FindFirst(const std::string& path) = 0;
    // Every entry matching pattern ("folder\*.*"), in file-system order, "." and ".." included
    // when the file system lists them; empty when the search fails.
    virtual std::vector<FolderEntry> ListFolder(const std::string& pattern) = 0;
};

// The path without its last byte when that byte is a backslash; a backslash that
// is the second byte of a double-byte character does not count.
std::string StripTrailingBackslash(std::string_view path);

// Drive part and folder part of path (up to and including its last separator), joined:
// "C:\Documents and Settings\User" gives "C:\Documents and Settings\".
std::string GetParentFolder(std::string_view path);

// True for a listing entry that may be a profile: a folder, not hidden, not "." or "..".
bool IsProfileCandidate(const FolderEntry& entry);

// The roots "C:\" to "Y:\" in letter order.
std::vector<std::string> DriveRoots();

// The attributes a search answer rests on, or nothing when it found no entry.
std::optional<std::uint32_t> FoundAttributes(const FindFirstResult& result);

// path, less one trailing backslash, names an existing entry that is not a folder.
bool FindMarkerFile(MarkerView& view, std::string_view path);
// path, less one trailing backslash, names an existing folder.
bool FolderExists(MarkerView& view, std::string_view path);

// "X:\TQZDisc\" for every fixed drive C: to Y:.
std::vector<std::string> ListDriveMarkerFolders(MarkerView& view);
// "<profile>\Local Settings\Temp\TQZDisc\" for every visible profile folder beside the
// current user's whose "Local Settings\Temp\" exists.
std::vector<std::string> ListProfileMarkerFolders(MarkerView& view);
// The drive folders, then the profile folders.
std::vector<std::string> ListMarkerFolders(MarkerView& view);

// True when some candidate folder holds a file named markerName. The whole list is
// built first, then searched in order; the first hit ends the search.
bool MarkerExists(MarkerView& view, std::string_view markerName);

}  // namespace kb::markers
