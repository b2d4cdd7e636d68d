// The name index of the last archive read by name: the used entries' slots
// and names in slot order, found by name with a hash probe instead of a walk
// over the slots. It holds no file: the reader builds it with its own walk,
// checks the entry it gives against the file, and keeps it only as long as
// the archive's path, stamp (volume included) and scrambled form are those it
// was built with, and only on a file system that keeps change times.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "shared/base/fs.h"
#include "archive/layout.h"

namespace ark {

namespace fs = kb::fs;

class ScrambledForm;

class NameIndex {
public:
    // True when a change of the file after now cannot leave its stamp as it
    // is: its times lie further back than the file system's time steps. A
    // file written within the last step may be written again within it, and
    // same size and same times would then hide the change.
    static bool IsSettled(const fs::FileStamp& stamp, uint64_t now);

    // Indexes at most this many entries and this many name bytes; a walk
    // beyond them stays with the reader.
    static constexpr size_t kMaxEntries = 1 << 18;
    static constexpr size_t kMaxNameBytes = 16 << 20;

    // Whether the index stands for this archive as it is now.
    bool Fits(const std::string& path, const fs::FileStamp& stamp, const ScrambledForm* form) const;

    // Building, in slot order: Start, Add for each used entry, then End.
    void Start(const std::string& path, const fs::FileStamp& stamp, const ScrambledForm* form, bool scrambled);
    // False when the index is full: the walk ends there, as at a failure.
    bool Add(const Slot& slot, std::string_view name);
    // complete: the walk reached the first free slot or the slot count; else
    // it ended at a failure (or a full index) after the entries added.
    void End(bool complete);
    void Clear();

    bool Scrambled() const { return scrambled_; }

    enum class Found { Entry, None, Unknown };
    // The first entry whose name equals wanted as LoadByName compares names:
    // Entry with its index; None when no used entry has the name; Unknown when
    // the walk ended before it could tell.
    Found Lookup(std::string_view wanted, int32_t& index) const;
    const Slot& SlotOf(int32_t index) const { return slots_[static_cast<size_t>(index)]; }
    std::string_view NameOf(int32_t index) const;

private:
    struct Chain {
        int32_t first;
        int32_t last;
    };

    bool valid_ = false;
    bool complete_ = false;
    std::string path_;
    fs::FileStamp stamp_;
    const ScrambledForm* form_ = nullptr;
    bool scrambled_ = false;
    std::vector<Slot> slots_;
    std::string names_;              // every name, one after another
    std::vector<uint32_t> nameEnds_;  // where each name ends in names_
    // Entries by a hash of the name with every ASCII letter folded, which two
    // names LoadByName finds equal always share; next_ links them in slot order.
    std::unordered_map<uint64_t, Chain> byName_;
    std::vector<int32_t> next_;
};

// The one index of the process; calls come one at a time.
NameIndex& LastNameIndex();

// The used slots of the last archive counted, in slot order, with the header
// they were counted under: a routine on one entry (GetName, GetInfo,
// LoadByIndex) takes its count from here instead of walking the slot table
// again. Kept only for a count that ended without a failure, and only as long
// as the archive's path, stamp and scrambled form are those it was counted
// with, under the name index's rules (settled stamp, change times kept); the
// reader checks every answer against the file.
class CountIndex {
public:
    // Keeps at most this many slots; a longer archive is counted by the walk.
    static constexpr size_t kMaxEntries = 1 << 21;

    bool Fits(const std::string& path, const fs::FileStamp& stamp, const ScrambledForm* form) const;
    void Keep(const std::string& path, const fs::FileStamp& stamp, const ScrambledForm* form, uint32_t header,
              std::vector<Slot> slots);
    void Clear();
    bool Kept() const { return valid_; }

    // The header as stored (complemented in the scrambled form).
    uint32_t Header() const { return header_; }
    int32_t Count() const { return static_cast<int32_t>(slots_.size()); }
    const Slot& SlotOf(int32_t index) const { return slots_[static_cast<size_t>(index)]; }

private:
    bool valid_ = false;
    std::string path_;
    fs::FileStamp stamp_;
    const ScrambledForm* form_ = nullptr;
    uint32_t header_ = 0;
    std::vector<Slot> slots_;
};

// The one count index of the process.
CountIndex& LastCountIndex();

// Held by every routine that writes files: both indexes are dropped when it
// starts and again when it ends, so nothing this library writes is read
// through an index of the file as it was.
class NameIndexWriteGuard {
public:
    NameIndexWriteGuard() { ClearAll(); }
    ~NameIndexWriteGuard() { ClearAll(); }
    NameIndexWriteGuard(const NameIndexWriteGuard&) = delete;
    NameIndexWriteGuard& operator=(const NameIndexWriteGuard&) = delete;

private:
    static void ClearAll() {
        LastNameIndex().Clear();
        LastCountIndex().Clear();
    }
};

// For tests: the clock a stamp is judged by, and a view of each stamp as the
// file system gives it (one that never moves, say). Null restores the real
// ones; both return what they replace.
using StampClock = uint64_t (*)();
using StampView = void (*)(fs::FileStamp& stamp);
StampClock SetStampClockForTesting(StampClock clock);
StampView SetStampViewForTesting(StampView view);
uint64_t StampClockNow();
void ApplyStampView(fs::FileStamp& stamp);

}  // namespace ark
