// What the export reads from a session's lists, without a window: the export
// list of a selection, the selection's totals, the size label, the longest
// target path, the path gates and the overall percentage of an export.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "loader/session/entry_list.h"
#include "loader/session/sessions.h"

namespace kb::loader {

// Size-label messages.
constexpr int kMsgNothingSelected = 201;
constexpr int kMsgUnderTenKilobytes = 202;
constexpr int kMsgMegabytes = 203;

// The first path part of caption (split at single-byte backslashes).
std::string FirstPathPart(const std::string& caption);

// Whether path begins with entry followed by a single-byte backslash (the
// backslash a separator, never the trail byte of a double-byte character).
bool BeginsWithFolder(const std::string& path, const std::string& entry);

// A list cell as a signed 64-bit decimal; 0 when missing or not a number.
int64_t CellInt64(const ListRow& row, size_t column);

// The selected rows' size sum (sub-item 1) and, in extra, their sub-item 2 sum.
int64_t SelectedTotals(const SessionRecord& record, int64_t& extra);

// Empties exportList and fills it with every full-list entry whose first path
// part is a selected row's first part (or that part and a backslash), in the
// selected rows' order, then sorts it.
void FillExportList(const SessionRecord& record, EntryList& exportList);

// The size label for a selection of total bytes: the message number and, for
// message 203, the megabytes it is formatted with.
struct SizeLabelChoice {
    int message = kMsgNothingSelected;
    double megabytes = 0;
};
SizeLabelChoice SizeLabelFor(int64_t total);

// format with value as its one floating-point argument, by the form
// framework's format rules: %[index:][-][width][.precision]type, the type one
// of f (fixed, 2 decimals unless a precision says otherwise, at most 18),
// n (as f, thousands separated by ","), e (scientific with precision digits
// in all, 15 by default, "E", a sign and at least three exponent digits) or
// g (the shorter of fixed and scientific, at most precision significant
// digits, 15 by default, no trailing zeros), in either case; "%%" gives "%";
// the point is "."; digits round half away from zero. A width pads with
// blanks on the left, or on the right after "-". A format with no conversion
// gives its text. Nothing for a format the rules refuse: another type (%s,
// %d, %m, ...), a second argument ("%f %f", "%1:f"), a '*', a width or
// precision over 255, or a '%' that ends the text.
std::optional<std::string> FormatFloatArgument(std::string_view format, double value);

// The size label's text: FormatFloatArgument, or an empty label for a format
// it refuses (the framework raises a conversion error there; the loader shows
// no text rather than a wrong one, and the selection goes on).
std::string FormatWithFloat(const std::string& format, double value);

// The greatest byte length of folder (without trailing backslash), a backslash
// and a caption, over list; 0 for an empty list.
size_t LongestTargetPath(const std::string& folder, const EntryList& list);

// The chosen destination folder is refused from this length on, and so is a
// target path from kRefusedTargetLength on.
constexpr size_t kRefusedFolderLength = 256;
constexpr size_t kRefusedTargetLength = 260;

// Whether the pack library can write each selected entry of record into dest
// (without trailing backslash): it writes the entry first as a copy named
// after the target with ".cmp" added, or under a free temporary name
// "~kb0000.tmp" in the same folder when that name is taken, and refuses any
// path over 259 bytes.
bool PackCopiesFit(const std::string& dest, const SessionRecord& record);

// Whether every path an export of row writes lies under the destination: the
// row's caption and every full-list entry at or under it are relative paths
// without "." or ".." parts, drive or root.
bool ExportStaysInside(const SessionRecord& record, const ListRow& row);

// n / d taken to the nearest integer, halves away from zero (d not 0).
int64_t NearestQuotient(int64_t n, int64_t d);

// The export's overall percentage after progress p of an entry of itemSize
// bytes, done bytes of total (0 counts as 1) already exported: 100 only when
// the last bytes are counted, else at most 99.
int ExportPercent(int p, int64_t itemSize, int64_t done, int64_t total);

}  // namespace kb::loader
