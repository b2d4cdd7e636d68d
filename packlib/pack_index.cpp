#include "packlib/pack_index.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "packlib/path_routines.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

constexpr uint64_t kSecond = 10'000'000;  // FILETIME units
// NTFS and Linux stamp files from a clock that moves in scheduler ticks (16 ms
// at most). Times on whole seconds come from file systems that keep only
// seconds (FAT keeps two).
constexpr uint64_t kFineStep = kSecond / 10;
constexpr uint64_t kCoarseStep = 3 * kSecond;
// Indexes at most this many entries; a bigger pack is walked as before.
constexpr size_t kMaxIndexedEntries = 1 << 20;

std::atomic<bool> g_enabled{true};
std::atomic<PackStampClock> g_clock{nullptr};
std::atomic<PackStampView> g_view{nullptr};
std::atomic<uint64_t> g_walks{0};

uint64_t Now() {
    const PackStampClock clock = g_clock.load();
    return clock ? clock() : fs::CurrentTime();
}

// The stamp as it stands now; false when the system cannot tell it.
bool StampOf(PackReader& pack, fs::FileStamp* stamp) {
    if (!pack.Stamp(stamp)) return false;
    if (const PackStampView view = g_view.load()) view(*stamp);
    return true;
}

// True when every change after now moves the stamp: the volume keeps a change
// time, and the file's times lie further back than its time steps (a file
// written within the last step may be written again within it, and the same
// size and times would then hide the change).
bool IsIndexable(const fs::FileStamp& stamp, uint64_t now) {
    if (stamp.change == 0) return false;
    const bool wholeSeconds = stamp.lastWrite % kSecond == 0 && stamp.change % kSecond == 0;
    const uint64_t step = wholeSeconds ? kCoarseStep : kFineStep;
    return now > step && std::max(stamp.lastWrite, stamp.change) < now - step;
}

// FNV-1a over the name with every ASCII letter folded: names EntryNamesEqual
// finds equal hash alike, whichever bytes are lead or trail bytes.
uint64_t FoldedHash(const std::string& name) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        h = (h ^ c) * 0x100000001B3ull;
    }
    return h;
}

class Index {
public:
    bool Fits(const std::string& path, const fs::FileStamp& stamp, uint8_t rounds) const {
        return valid_ && stamp_ == stamp && rounds_ == rounds && path_ == path;
    }
    bool Trusted() const { return trusted_; }
    const std::vector<EntryHeader>& Entries() const { return entries_; }
    uint64_t Total() const { return total_; }
    const fs::FileStamp& Stamp() const { return stamp_; }

    void Clear() {
        valid_ = false;
        trusted_ = false;
        path_.clear();
        entries_.clear();
        next_.clear();
        byName_.clear();
        total_ = 0;
    }

    // Takes the entries of a whole walk.
    // trusted: the stamp shows every later change, so the index may also tell
    // that a name is not there.
    void Set(const std::string& path, const fs::FileStamp& stamp, uint8_t rounds, std::vector<EntryHeader>&& entries,
             bool trusted) {
        Clear();
        path_ = path;
        stamp_ = stamp;
        rounds_ = rounds;
        entries_ = std::move(entries);
        for (uint32_t i = 0; i < entries_.size(); ++i) Link(i);
        valid_ = true;
        trusted_ = trusted;
    }

    // One more entry this library appended; the index no longer answers "none".
    void Append(const EntryHeader& entry, const fs::FileStamp& stamp) {
        entries_.push_back(entry);
        Link(static_cast<uint32_t>(entries_.size() - 1));
        stamp_ = stamp;
        trusted_ = false;
    }

    // The first entry equal to name, or null.
    const EntryHeader* Find(const std::string& name) const {
        const auto at = byName_.find(FoldedHash(name));
        if (at == byName_.end()) return nullptr;
        for (int64_t i = at->second.first; i >= 0; i = next_[static_cast<size_t>(i)]) {
            const EntryHeader& e = entries_[static_cast<size_t>(i)];
            if (EntryNamesEqual(e.name.c_str(), name.c_str())) return &e;
        }
        return nullptr;
    }

private:
    struct Chain {
        int64_t first;
        int64_t last;
    };

    void Link(uint32_t i) {
        total_ += entries_[i].dataLength;
        next_.push_back(-1);
        auto [at, added] = byName_.try_emplace(FoldedHash(entries_[i].name), Chain{i, i});
        if (!added) {
            next_[static_cast<size_t>(at->second.last)] = i;
            at->second.last = i;
        }
    }

    bool valid_ = false;
    bool trusted_ = false;  // built from a whole walk of a pack whose stamp shows every change
    std::string path_;
    fs::FileStamp stamp_;
    uint8_t rounds_ = 0;
    std::vector<EntryHeader> entries_;
    uint64_t total_ = 0;
    std::vector<int64_t> next_;  // the next entry of the same hash, in file order
    std::unordered_map<uint64_t, Chain> byName_;
};

// The one index of the process.
std::mutex g_mutex;
Index& TheIndex() {
    static Index index;
    return index;
}

// True when the entry still stands in the file as it was indexed; the reader is
// then at its data.
bool StillStored(PackReader& pack, uint8_t rounds, const EntryHeader& kept) {
    if (kept.headerOffset < kHeaderSize) return false;
    EntryWalker walker(pack, rounds);
    EntryHeader read;
    return walker.StartAt(kept.headerOffset, kept.index) && walker.Next(&read) == 1 && read == kept;
}

// The walk from the first entry to the end. Result: 0 at the end, or the error
// where it stopped (entries then holds those before it). Stops early, at
// kMaxIndexedEntries, with *full set.
int WalkAll(PackReader& pack, uint8_t rounds, std::vector<EntryHeader>* entries, bool* full) {
    ++g_walks;
    *full = false;
    if (!pack.SeekTo(kHeaderSize)) return PACKERR_ILLEGAL_PACKED_FILE;
    EntryWalker walker(pack, rounds);
    for (;;) {
        EntryHeader entry;
        const int r = walker.Next(&entry);
        if (r <= 0) return r;
        entries->push_back(std::move(entry));
        if (const int err = walker.SkipBody(entries->back())) return err;
        if (entries->size() >= kMaxIndexedEntries) {
            *full = true;
            return 0;
        }
    }
}

// UnPack's own walk: from the first entry up to the first one with the name.
int WalkTo(PackReader& pack, uint8_t rounds, const std::string& name, EntryHeader* entry) {
    ++g_walks;
    EntryWalker walker(pack, rounds);
    for (;;) {
        const int r = walker.Next(entry);
        if (r <= 0) return r;
        if (EntryNamesEqual(entry->name.c_str(), name.c_str())) return 1;
        if (const int err = walker.SkipBody(*entry)) return err;
    }
}

}  // namespace

int FindEntry(const std::string& path, PackReader& pack, uint8_t rounds, const std::string& name, EntryHeader* entry) {
    // Read before the stamp, so that a change after the stamp is judged against
    // a time no later than it.
    const uint64_t now = Now();
    fs::FileStamp stamp;
    if (!g_enabled || !StampOf(pack, &stamp)) return WalkTo(pack, rounds, name, entry);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        Index& index = TheIndex();
        // Only an index the stamp vouches for finds entries: one grown by appends
        // could hide an earlier entry of the same name written beside them.
        if (index.Fits(path, stamp, rounds) && index.Trusted()) {
            if (const EntryHeader* kept = index.Find(name)) {
                const EntryHeader copy = *kept;
                if (StillStored(pack, rounds, copy)) {
                    *entry = copy;
                    return 1;
                }
            } else {
                return 0;
            }
            index.Clear();
        }
    }
    // A check of a hit moved the reader: every walk starts at the first entry.
    const uint64_t start = kHeaderSize;
    if (!pack.SeekTo(start)) return PACKERR_ILLEGAL_PACKED_FILE;
    if (!IsIndexable(stamp, now)) return WalkTo(pack, rounds, name, entry);

    std::vector<EntryHeader> entries;
    bool full = false;
    int end = 0;
    try {
        end = WalkAll(pack, rounds, &entries, &full);
    } catch (const std::bad_alloc&) {
        if (!pack.SeekTo(start)) return PACKERR_FILE_IO;
        return WalkTo(pack, rounds, name, entry);
    }
    // The first entry with the name, as the walk that stops there finds it; what
    // the whole walk met after it does not matter to it.
    const auto match = std::find_if(entries.begin(), entries.end(), [&name](const EntryHeader& e) {
        return EntryNamesEqual(e.name.c_str(), name.c_str());
    });
    if (match != entries.end()) {
        *entry = *match;
        if (!pack.SeekTo(entry->dataOffset)) return PACKERR_FILE_IO;
    } else if (full) {
        if (!pack.SeekTo(start)) return PACKERR_FILE_IO;
        return WalkTo(pack, rounds, name, entry);
    }
    const bool found = match != entries.end();
    if (end == 0 && !full) {
        std::lock_guard<std::mutex> lock(g_mutex);
        TheIndex().Set(path, stamp, rounds, std::move(entries), true);
    }
    if (found) return 1;
    return end;
}

int CountEntriesIndexed(const std::string& path, uint32_t* count, uint64_t* total, uint8_t* rounds) {
    *count = 0;
    *total = 0;
    const uint64_t now = Now();
    PackReader pack;
    uint8_t r = 0;
    const int err = OpenForWalk(path, &pack, &r);
    if (rounds) *rounds = r;
    if (err) return err;
    fs::FileStamp stamp;
    const bool stamped = g_enabled && StampOf(pack, &stamp);
    if (stamped) {
        std::lock_guard<std::mutex> lock(g_mutex);
        Index& index = TheIndex();
        if (index.Fits(path, stamp, r)) {
            // The last entry checked against the file, and the pack ending right
            // after it: what an append of this library left.
            const auto& entries = index.Entries();
            bool holds = entries.empty() ? stamp.size == kHeaderSize : StillStored(pack, r, entries.back());
            if (holds && !entries.empty()) {
                const EntryHeader& last = entries.back();
                const uint64_t end = last.dataOffset + last.dataLength + (last.compressed ? 0 : kTrailerSize);
                holds = end == stamp.size;
            }
            if (holds) {
                *count = static_cast<uint32_t>(entries.size());
                *total = index.Total();
                return 0;
            }
        }
        index.Clear();
    }
    std::vector<EntryHeader> entries;
    bool full = false;
    int end = 0;
    try {
        end = WalkAll(pack, r, &entries, &full);
    } catch (const std::bad_alloc&) {
        return CountEntries(path, count, total, rounds);
    }
    if (full) return CountEntries(path, count, total, rounds);
    if (end < 0) return end;
    *count = static_cast<uint32_t>(entries.size());
    for (const EntryHeader& e : entries) *total += e.dataLength;
    // Kept for the counts of the appends to come even when the stamp cannot
    // vouch for it: each count checks the pack's end against the file.
    if (stamped) {
        std::lock_guard<std::mutex> lock(g_mutex);
        TheIndex().Set(path, stamp, r, std::move(entries), IsIndexable(stamp, now));
    }
    return 0;
}

void NoteAppended(const std::string& path, uint64_t oldLength, uint32_t index) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Index& kept = TheIndex();
    if (!g_enabled) return;
    // Only an index of the pack just as it was before the append grows.
    PackReader pack;
    uint8_t rounds = 0;
    fs::FileStamp stamp;
    EntryHeader entry;
    bool grown = false;
    try {
        if (kept.Entries().size() == index && kept.Stamp().size == oldLength && OpenForWalk(path, &pack, &rounds) == 0 &&
            kept.Fits(path, kept.Stamp(), rounds) && StampOf(pack, &stamp) && stamp.fileId == kept.Stamp().fileId &&
            stamp.volume == kept.Stamp().volume) {
            EntryWalker walker(pack, rounds);
            if (walker.StartAt(oldLength, index) && walker.Next(&entry) == 1 && walker.SkipBody(entry) == 0 &&
                pack.Position() == stamp.size) {
                kept.Append(entry, stamp);
                grown = true;
            }
        }
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown) kept.Clear();
}

void ForgetPackIndex() {
    std::lock_guard<std::mutex> lock(g_mutex);
    TheIndex().Clear();
}

bool SetPackIndexEnabledForTesting(bool enabled) {
    ForgetPackIndex();
    return g_enabled.exchange(enabled);
}

PackStampClock SetPackStampClockForTesting(PackStampClock clock) { return g_clock.exchange(clock); }
PackStampView SetPackStampViewForTesting(PackStampView view) { return g_view.exchange(view); }
uint64_t PackWalksForTesting() { return g_walks.load(); }

}  // namespace kb::pack
