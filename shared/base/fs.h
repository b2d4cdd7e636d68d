// Files, folders and the temp folder for every library: one small interface,
// Win32 (A-versions) behind it on Windows and POSIX natively.
//
// Paths are Windows-style in both builds: backslashes, single-byte ANSI strings.
// The native build turns every backslash into a slash at this seam and emulates
// what POSIX lacks, in-process only:
//   - read-only is the owner-write permission bit, and is enforced by this seam
//     (an open for writing or a delete of a read-only file is refused with
//     AccessDenied, as Windows does, even for root);
//   - hidden, system and archive live in a side table keyed by path (files that the
//     table does not know report archive, as new Windows files do);
//   - the creation time lives in the same side table (else the last-write time);
//   - share modes are checked against the other handles this process holds.
// Only a single-byte backslash is a separator: a trail byte 0x5C stays in its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kb::fs {

// Windows file attribute bits, as stored and reported.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kAttrReparsePoint = 0x400;

// The attributes a stored file carries over; the native build keeps no others.
constexpr uint32_t kAttrSettable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

enum class Access { Read, Write, ReadWrite };

enum class Disposition {
    OpenExisting,  // fails with NotFound when absent
    CreateAlways,  // creates or truncates
    OpenAlways,    // opens, or creates when absent; never truncates
    CreateNew,     // fails with Exists when present
};

// Which other opens of the same file are allowed while this handle is open.
enum class Share { None, Read, ReadWrite, All /* read, write and delete */ };

enum class Error { None, NotFound, AccessDenied, SharingViolation, Exists, Other };

enum class Origin { Begin, Current, End };

// File times as 64-bit FILETIME values (100 ns units since 1601-01-01 UTC).
// In SetTimes a 0 leaves that time unchanged.
struct FileTimes {
    uint64_t creation = 0;
    uint64_t lastAccess = 0;
    uint64_t lastWrite = 0;
};

// What tells one state of a file from another without reading it: which file
// on which volume, its length, and its
// last-write and change times (FILETIME units). The change time moves with
// every change of the contents or times, and unlike the last-write time a
// writer cannot set it back.
struct FileStamp {
    uint64_t volume = 0;  // on Windows the volume's serial number and creation time
    uint64_t fileId = 0;
    uint64_t size = 0;
    uint64_t lastWrite = 0;
    uint64_t change = 0;
    // False where the file system keeps no change time of its own (FAT, CD
    // and DVD file systems report none, or the last-write time): there an
    // in-place rewrite that sets the last-write time back leaves the stamp
    // as it was.
    bool changeKept = true;
    bool operator==(const FileStamp&) const = default;
};

// The clock the file system stamps files by, in FILETIME units.
uint64_t CurrentTime();

// FILETIME value of 1970-01-01 00:00 UTC.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ULL;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ULL;

// Seconds since 1970 to FILETIME and back; times before 1970 give 0, times past
// 2106 saturate at the u32 limit.
uint64_t FileTimeFromUnixSeconds(uint32_t seconds);
uint32_t UnixSecondsFromFileTime(uint64_t fileTime);

// An open file. Non-copyable; closes in its destructor.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens path. On failure the result is not open and *error (if given) says why.
    static File Open(const std::string& path, Access access, Disposition disposition,
                     Share share, Error* error = nullptr);

    bool IsOpen() const;

    // Reads up to size bytes; *got receives the count (0 at the end). False on an I/O error.
    bool Read(void* buffer, size_t size, size_t* got);
    // Reads exactly size bytes; false on an error or when the end comes first.
    bool ReadExact(void* buffer, size_t size);
    // Reads up to size bytes at position, whatever the current position, which
    // is unspecified afterwards; *got receives the count. False on an I/O error.
    bool ReadAt(uint64_t position, void* buffer, size_t size, size_t* got);
    // Writes all size bytes; false when any could not be written.
    bool Write(const void* buffer, size_t size);

    bool Seek(int64_t offset, Origin origin);
    bool Tell(uint64_t* position);
    bool Size(uint64_t* size);
    // Sets the length to size (truncates or extends); the position is unchanged.
    bool SetSize(uint64_t size);
    bool Flush();

    bool GetTimes(FileTimes* times);
    bool SetTimes(const FileTimes& times);
    // The file's stamp as it stands now; false when the system cannot tell it.
    bool Stamp(FileStamp* stamp);

    // Closes now; true when the close succeeded or the file was not open.
    bool Close();

private:
#ifdef _WIN32
    void* handle_ = nullptr;  // INVALID_HANDLE_VALUE is kept as nullptr
#else
    int fd_ = -1;
    std::string key_;      // the native path, for the share-mode table
    uint64_t openId_ = 0;  // this handle's row in that table
#endif
};

struct DirEntry {
    std::string name;         // the entry's name alone
    uint32_t attributes = 0;  // kAttr* bits; kAttrReparsePoint for links and junctions
    uint64_t size = 0;
};

// Whether path names an existing file or folder.
bool Exists(const std::string& path);
// Whether path names an existing folder.
bool FolderExists(const std::string& path);

// Attributes of a file or folder; false when it does not exist.
bool GetAttributes(const std::string& path, uint32_t* attributes);
// Sets the attributes of a file or folder to attributes (0 as kAttrNormal). The
// native build keeps the kAttrSettable bits and ignores the rest.
bool SetAttributes(const std::string& path, uint32_t attributes);

bool GetTimes(const std::string& path, FileTimes* times);
// Sets the non-zero times of a file.
bool SetTimes(const std::string& path, const FileTimes& times);

// Size of a file; false when it cannot be read.
bool GetSize(const std::string& path, uint64_t* size);

// Creates one folder (its parent must exist); false when it could not be created
// (also when it already exists, *error then Exists).
bool CreateFolder(const std::string& path, Error* error = nullptr);
// Creates path and every missing folder above it; true when path is a folder afterwards.
bool CreateFolderTree(const std::string& path);
// Removes an empty folder.
bool RemoveFolder(const std::string& path);
// Creates a new, empty folder in parent (with or without a final separator)
// whose name starts with prefix; its path, or "" when none could be created.
std::string CreatePrivateFolder(const std::string& parent, const std::string& prefix);
// Removes a folder and everything in it, read-only files included; a link in it
// is removed, never followed. Best effort.
void RemoveTree(const std::string& folder);

// (Named so that windows.h's DeleteFile and MoveFile macros cannot rename them.)
// Deletes a file; fails for a read-only file, as on Windows.
bool RemoveFile(const std::string& path, Error* error = nullptr);
// Renames or moves a file; replaces an existing target only when asked.
bool RenameFile(const std::string& from, const std::string& to, bool replaceExisting);
// Puts from in place of to in one step, written through to the disc (to is
// replaced when it exists; from is gone afterwards). On failure to is as it was.
bool MoveIntoPlace(const std::string& from, const std::string& to);
// A new, empty file of our own in target's folder, opened for writing, for a
// copy that is moved over target (MoveIntoPlace) only once it is complete;
// *path receives its name. Not open when the folder takes no new file.
File CreateFileBeside(const std::string& target, std::string* path, Access access = Access::Write,
                      Share share = Share::None);
// Copies from to a file that must not exist yet (on Windows with its attributes
// and times); on failure no copy is left.
bool CopyToNewFile(const std::string& from, const std::string& to);
// True when a and b both name one existing file, however each is spelled (letter
// case, "." and "..", either separator, short or long names, links): the same
// volume and file index on Windows, the same device and inode natively. False when
// either cannot be found.
bool SameFile(const std::string& a, const std::string& b);
// As SameFile when both exist; else whether both spell the same full path
// (letter case ignored on Windows), so a file about to be made is matched too.
bool SameFileOrPath(const std::string& a, const std::string& b);

// The entries of a folder, "." and ".." left out, in the order the file system
// gives them. False when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<DirEntry>* entries);

// The user's temp folder with a trailing backslash; "" when there is none.
// Natively TMP, then TEMP (as Windows looks them up), then TMPDIR, then /tmp.
std::string TempFolder();
// The current directory, without a trailing backslash unless it is a root.
std::string CurrentFolder();
// The absolute form of path (path itself when it cannot be resolved).
std::string FullPath(const std::string& path);

struct MemoryStatus {
    uint64_t availablePhysical = 0;
    uint64_t availableVirtual = 0;
};

// The platform's memory status, or the test override when one is set.
MemoryStatus GetMemoryStatus();
// Tests set a fixed memory status (null restores the platform's).
void SetMemoryStatusForTesting(const MemoryStatus* status);

namespace detail {
MemoryStatus PlatformMemoryStatus();
unsigned long ProcessId();
}

}  // namespace kb::fs
