// Splitting a huge file into numbered part files and joining them again.
#pragma once
#include <string>

#include "shared/base/fs.h"

namespace kb {

// The most parts a file is split into: part names carry a two-digit index.
constexpr int kMaxSplitParts = 100;

// The name of part index (0 to 99) of path: path followed by ".prt" and the index
// in two digits (path.prt00, path.prt01 ...).
std::string SplitPartName(const std::string& path, int index);

// Splits the file at path into parts files named by SplitPartName. With L the
// file's length, part i holds L / parts bytes from i * (L / parts) on; the last
// part also holds the rest. Parts may be empty when parts exceeds L. Existing part
// files are replaced, all of them together once every new part is written in
// full under a temporary name beside it; the file itself is left as it is.
// Copies in streaming fashion, so files of any size work.
// Returns parts, or PACKERR_INVALID_PARAMETER (parts outside 1 to 100),
// PACKERR_PATH_TOO_LONG (a part name over 259 characters), PACKERR_OPEN_SOURCE_FILE,
// PACKERR_NOT_ENOUGH_MEMORY, PACKERR_OPEN_DESTINATION_FILE (a part cannot be
// created, or an existing one is a folder or cannot be written now) or
// PACKERR_FILE_IO (a read or write failed). On failure no part of this call
// stays and existing parts are as they were (checked before anything is
// written; only a move into place that fails after that check can leave the
// earlier ones replaced, and then this call's parts are removed all the same).
int SplitHugeFile(const char* path, int parts);

// Joins the first count names of the NameList names (zero-terminated names one after
// another, ended by an empty name) into destination. The join is written to a new
// temporary file in destination's folder and moved over destination only once every
// part is in it, so on any failure destination is as it was and the temporary is
// gone. A destination that is one of the parts, however spelled, is refused. Every
// part is opened before any byte is copied. When deleteParts is set the parts are
// deleted after the join is in place; on any failure every part stays on disk.
// Returns 0, or PACKERR_INVALID_PARAMETER (count below 1), PACKERR_NULL_BUFFER (no
// name list), PACKERR_OPEN_DESTINATION_FILE (destination cannot be written or
// replaced, its folder takes no new file, or it is one of the parts),
// PACKERR_OPEN_SOURCE_FILE (a part cannot be opened, or count is above the number of
// names), PACKERR_NOT_ENOUGH_MEMORY or PACKERR_FILE_IO.
int UnSplitHugeFile(const char* names, int count, bool deleteParts, const char* destination);


}  // namespace kb
