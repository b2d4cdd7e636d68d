// The entry index of the last pack walked: each entry's offset, name and kind,
// so that finding an entry or counting them does not walk the pack again. It is
// kept only while the pack's path and stamp are those it was built with, every
// entry it gives is read again from the file and compared before use, and it is
// built only from a pack whose stamp shows every later change (a change time,
// times older than the file system's time steps).
#pragma once
#include <cstdint>
#include <string>

#include "packlib/pack_format.h"
#include "shared/base/fs.h"

namespace kb::pack {

// Finds the first entry whose name equals name as EntryNamesEqual compares them,
// in the pack at path opened by OpenForWalk (rounds from it). Gives what the walk
// from the first entry gives: 1 with *entry filled and the reader at its data, 0
// when no entry has the name, or the walk's error.
int FindEntry(const std::string& path, PackReader& pack, uint8_t rounds, const std::string& name, EntryHeader* entry);

// CountEntries through the index: the number of entries, the sum of their
// DataLength and R. 0 or the walk's error.
int CountEntriesIndexed(const std::string& path, uint32_t* count, uint64_t* total, uint8_t* rounds);

// Tells the index that this library appended entry index to the pack at path,
// whose length was oldLength before it: an index of the pack as it was then
// learns the new entry (read back from the file) instead of being dropped, so
// that building a pack entry by entry stays linear. Such an index counts and
// finds entries, each checked against the file; it answers that a name is not
// in the pack only once built again from a walk.
void NoteAppended(const std::string& path, uint64_t oldLength, uint32_t index);

// Drops the index (for writers that change a pack in place).
void ForgetPackIndex();

// For tests: whether the index is used at all (false: every call walks), the
// clock a stamp is judged by and a view of each stamp (one that never moves,
// say); null restores the real ones. Each returns what it replaces.
bool SetPackIndexEnabledForTesting(bool enabled);
using PackStampClock = uint64_t (*)();
using PackStampView = void (*)(fs::FileStamp& stamp);
PackStampClock SetPackStampClockForTesting(PackStampClock clock);
PackStampView SetPackStampViewForTesting(PackStampView view);
// For tests: how many walks from the first entry the index has made or let
// through since the process started.
uint64_t PackWalksForTesting();

}  // namespace kb::pack
