// "Files.lst", a session's file list: one comma-separated row per line, entry
// rows (path, size, Kind 0 or 1) and summary rows (top-level name, total size,
// a number above 1, a 32-bit value).
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kb::loader {

struct FilesLstRow {
    std::string path;       // field 1
    int64_t size = 0;       // field 2
    int kind = 0;           // field 3: at most 1 an entry row, above 1 a summary row
    std::string kindText;   // field 3 as read (trimmed)
    int32_t field4 = 0;     // field 4, read for summary rows only
};

// What one file list may make the loader hold: a disc's list beyond these is
// refused (too big: no row is read) or cut (too many rows: the rows before the
// limit are kept), so that reading it never exhausts the 32-bit program's
// memory. 64 MiB and a million rows hold any real disc's list many times over.
constexpr uint64_t kMaxFilesLstBytes = 64ull * 1024 * 1024;
constexpr size_t kMaxFilesLstRows = 1000000;

// Why the reading of a file list stopped before its end.
enum class FilesLstStop {
    None,         // read to the end
    Unreadable,   // the file could not be opened or read
    BadNumber,    // field 2, 3 or (summary row) 4 is not a decimal integer in range
    TooLarge,     // the file is over kMaxFilesLstBytes: nothing was read
    TooManyRows,  // it holds more than kMaxFilesLstRows rows: the rows before are kept
};

// Reads the usable lines of text (blank lines and every line holding "//" are
// skipped) and gives each row to onRow in file order; stops at the first row
// with a field that is not a decimal integer in range, and before the row
// that would be one more than kMaxFilesLstRows.
FilesLstStop ReadFilesLstRows(std::string_view text, const std::function<void(const FilesLstRow&)>& onRow);

// The bytes of the file at path. False when it cannot be opened or a read
// fails; text then holds the whole lines read before the failure. A file over
// kMaxFilesLstBytes is not read: false, text empty and *tooLarge set.
bool ReadFilesLstText(const std::string& path, std::string& text, bool* tooLarge = nullptr);

// Whether an entry path may be shown and ever joined to a destination folder:
// kb::IsSafeName with its defaults (not rooted, no ':' or '/', no part that is
// empty, ends in a dot or blank, or is a device name, no stray lead byte). A
// folder's one trailing backslash is allowed.
bool IsSafeEntryPath(std::string_view path);

// An optionally signed decimal integer and nothing else, within the range.
bool ParseDecimal64(std::string_view text, int64_t& value);
bool ParseDecimal32(std::string_view text, int32_t& value);

}  // namespace kb::loader
