#include "archive/reader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "archive/frame.h"
#include "archive/name_index.h"
#include "archive/names.h"
#include "archive/scrambled.h"
#include "shared/base/fs.h"

namespace ark {

namespace fs = kb::fs;

namespace {
ScrambledForm* g_scrambledForm = nullptr;

// One buffer through which all body bytes pass; calls come one at a time.
uint8_t g_chunkBuffer[kChunkSize];

// One archive opened for one routine; others may read and write it meanwhile.
struct Archive {
    const std::string& path;
    fs::File file;
    uint64_t length = 0;  // when it was opened
    bool scrambled = false;
    int32_t slotCount = 0;
    // A quiet archive fails without touching the error context or the log:
    // the name index reads ahead of what the call itself would read.
    bool quiet = false;

    explicit Archive(const std::string& p)
        : path(p), file(fs::File::Open(p, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::ReadWrite)) {
        if (file.IsOpen() && !file.Size(&length)) file.Close();
    }
    bool IsOpen() const { return file.IsOpen(); }
    // Bytes read at position, 0 at the end or on an error.
    size_t ReadAt(uint64_t position, void* buffer, size_t size) {
        size_t got = 0;
        file.ReadAt(position, buffer, size, &got);
        return got;
    }
    int Fail(const char* clibFunction) {
        return quiet ? int(ARKSTOWRET_CLIB_ERROR) : Server().ClibFailure(clibFunction, path);
    }
};

// The header: the slot count, complemented in the scrambled form. A file too
// short to hold it is damaged, not a scrambled archive of 0 slots.
int ReadHeader(Archive& a) {
    uint8_t bytes[kHeaderSize];
    if (a.ReadAt(0, bytes, sizeof bytes) != sizeof bytes) return a.Fail("_getw");
    const int32_t value = static_cast<int32_t>(ReadLe32(bytes));
    a.scrambled = value < 0;
    a.slotCount = a.scrambled ? ~value : value;
    return 0;
}

// Unscrambles a record of a scrambled archive in place: 0, or -72 (no scrambled form).
int Unscramble(Archive& a, uint8_t (&record)[kSlotSize], uint32_t index) {
    if (!a.scrambled) return 0;
    ScrambledForm* form = g_scrambledForm;
    if (!form) return ARKSTOWRET_DECRYPT_FAILED;
    form->UnscrambleSlot(record, index);
    return 0;
}

// Reads one 40-byte record at the current position and unscrambles it.
// Result: 0, -100 with readName logged, or -72 (no scrambled form).
int ReadRecord(Archive& a, uint32_t index, Slot& slot, const char* readName) {
    uint8_t record[kSlotSize];
    if (!a.file.ReadExact(record, sizeof record)) return a.Fail(readName);
    if (int r = Unscramble(a, record, index)) return r;
    slot = ParseSlot(record);
    return 0;
}

// Positions to a 32-bit offset from a record; a negative one cannot be reached.
bool SeekTo(Archive& a, int64_t position) { return position >= 0 && a.file.Seek(position, fs::Origin::Begin); }

// How many bytes from a slot's name offset hold its name and terminator: up to
// its body in any archive we write, else the read limit.
size_t NameSpan(const Slot& slot) {
    if (slot.bodyOffset <= slot.nameOffset) return kNameReadLimit;
    return static_cast<size_t>(std::min<uint64_t>(uint64_t(slot.bodyOffset) - uint64_t(slot.nameOffset), kNameReadLimit));
}

// Hands a name read from the file over, inverted back in a scrambled archive.
void TakeName(const Archive& a, const char* bytes, size_t length, std::string& name) {
    name.assign(bytes, length);
    if (a.scrambled)
        for (char& c : name) c = static_cast<char>(~static_cast<unsigned char>(c));
}

// Reads the name of slot: at most kNameReadLimit bytes from its offset, which
// must hold the terminator. seekName is logged for an offset that cannot be
// reached.
int ReadSlotName(Archive& a, const Slot& slot, std::string& name, const char* seekName) {
    if (slot.nameOffset < 0) return a.Fail(seekName);
    const uint64_t at = static_cast<uint64_t>(slot.nameOffset);
    char buffer[kNameReadLimit];
    // One read of the name's span finds the terminator; the rest of the limit
    // is read only when it did not.
    const size_t first = NameSpan(slot);
    size_t got = a.ReadAt(at, buffer, first);
    const void* zero = std::memchr(buffer, 0, got);
    if (!zero && got == first && first < kNameReadLimit) {
        got += a.ReadAt(at + first, buffer + first, kNameReadLimit - first);
        zero = std::memchr(buffer + first, 0, got - first);
    }
    if (!zero) return a.Fail("fread");
    TakeName(a, buffer, static_cast<const char*>(zero) - buffer, name);
    return 0;
}

// Walks the slot records from the first, a block of them per read, and reads
// their names: when the names of the next records lie close behind one, a
// single read takes them all in. A walk over thousands of small entries is
// then a few reads, not a few per entry.
class SlotWalk {
public:
    explicit SlotWalk(Archive& a) : a_(a) {}

    // The next record, as ReadRecord gives it; never past the slot count.
    int Next(Slot& slot, const char* readName) {
        if (pos_ == count_ && (error_ || !LoadBlock())) return error_ ? error_ : a_.Fail(readName);
        slot = slots_[pos_++];
        return 0;
    }

    // The name of the record Next gave last, as ReadSlotName reads it.
    int Name(const Slot& slot, std::string& name, const char* seekName) {
        if (slot.nameOffset < 0) return a_.Fail(seekName);
        const uint64_t at = static_cast<uint64_t>(slot.nameOffset);
        if (!(windowSize_ > 0 && at >= windowStart_ && at - windowStart_ < windowSize_) && !FillWindow(slot))
            return ReadSlotName(a_, slot, name, seekName);
        const size_t offset = static_cast<size_t>(at - windowStart_);
        const size_t room = std::min(windowSize_ - offset, kNameReadLimit);
        const void* zero = std::memchr(window_.get() + offset, 0, room);
        // Without its terminator in the window the name is read on its own,
        // which also tells a damaged one.
        if (!zero) return ReadSlotName(a_, slot, name, seekName);
        TakeName(a_, window_.get() + offset, static_cast<const char*>(zero) - (window_.get() + offset), name);
        return 0;
    }

private:
    static constexpr uint64_t kBlockSlots = 256;
    static constexpr size_t kWindowSize = 256 * 1024;

    // Reads and unscrambles the next block of records; false when not one
    // whole record could be had (error_ tells an unscrambling failure).
    bool LoadBlock() {
        const uint64_t left = static_cast<uint64_t>(a_.slotCount) - next_;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, kBlockSlots)) * kSlotSize;
        const size_t have = a_.ReadAt(SlotPosition(next_), raw_, want);
        pos_ = 0;
        count_ = 0;
        for (size_t i = 0; i < have / kSlotSize; ++i) {
            uint8_t record[kSlotSize];
            std::memcpy(record, raw_ + i * kSlotSize, kSlotSize);
            if (int r = Unscramble(a_, record, static_cast<uint32_t>(next_ + i))) {
                error_ = r;  // the records before it still count
                break;
            }
            slots_[count_++] = ParseSlot(record);
        }
        next_ += count_;
        return count_ > 0;
    }

    // Reads slot's name together with those of the records after it whose
    // names follow within the window; false when no other name is that close.
    bool FillWindow(const Slot& slot) {
        const uint64_t at = static_cast<uint64_t>(slot.nameOffset);
        uint64_t end = at + NameSpan(slot);
        for (size_t j = pos_; j < count_; ++j) {
            const Slot& next = slots_[j];
            if (next.IsFree() || next.nameOffset < 0 || uint64_t(next.nameOffset) < at) break;
            const uint64_t nextEnd = uint64_t(next.nameOffset) + NameSpan(next);
            if (nextEnd - at > kWindowSize) break;
            end = std::max(end, nextEnd);
        }
        if (end - at <= NameSpan(slot)) return false;
        if (!window_) window_ = std::make_unique<char[]>(kWindowSize);
        windowStart_ = at;
        windowSize_ = a_.ReadAt(at, window_.get(), static_cast<size_t>(end - at));
        return windowSize_ > 0;
    }

    Archive& a_;
    uint8_t raw_[kBlockSlots * kSlotSize];
    Slot slots_[kBlockSlots];
    size_t count_ = 0;   // records of the block in slots_
    size_t pos_ = 0;     // the next of them to hand out
    uint64_t next_ = 0;  // index of the first record after the block
    int error_ = 0;
    std::unique_ptr<char[]> window_;
    uint64_t windowStart_ = 0;
    size_t windowSize_ = 0;
};

// Reads slot index at random ("fsetpos"-style names given by the caller).
int ReadSlotAt(Archive& a, int index, Slot& slot, const char* seekName, const char* readName) {
    if (!SeekTo(a, static_cast<int64_t>(SlotPosition(static_cast<uint64_t>(index))))) return a.Fail(seekName);
    return ReadRecord(a, static_cast<uint32_t>(index), slot, readName);
}

// True when record entry stands in the file as kept.
bool RecordStandsAs(Archive& a, int32_t entry, const Slot& kept) {
    uint8_t record[kSlotSize];
    if (a.ReadAt(SlotPosition(static_cast<uint64_t>(entry)), record, kSlotSize) != kSlotSize) return false;
    if (Unscramble(a, record, static_cast<uint32_t>(entry)) != 0) return false;
    const Slot slot = ParseSlot(record);
    return slot.nameOffset == kept.nameOffset && slot.bodyOffset == kept.bodyOffset &&
           std::memcmp(&slot.info, &kept.info, sizeof slot.info) == 0;
}

// Whether a count taken now may be kept for later calls, with the stamp it
// is kept under (read before the walk, so a change during it is seen).
bool MayKeepCount(Archive& a, uint64_t now, fs::FileStamp& stamp) {
    if (!a.file.Stamp(&stamp)) return false;
    ApplyStampView(stamp);
    return stamp.changeKept && NameIndex::IsSettled(stamp, now);
}

// The count of the count index, when it stands for a's file as it is now:
// the header, and the record the routine is after (past the used entries,
// the free record that ended them), are read back and must be as counted.
bool CountFromIndex(Archive& a, int index, int& count) {
    CountIndex& kept = LastCountIndex();
    if (!kept.Kept()) return false;
    fs::FileStamp stamp;
    if (!a.IsOpen() || !a.file.Stamp(&stamp)) return false;
    ApplyStampView(stamp);
    if (!stamp.changeKept || !kept.Fits(a.path, stamp, g_scrambledForm)) return false;
    uint8_t header[kHeaderSize];
    bool same = a.ReadAt(0, header, sizeof header) == sizeof header && ReadLe32(header) == kept.Header();
    const int32_t value = static_cast<int32_t>(kept.Header());
    a.scrambled = value < 0;
    const int32_t slotCount = a.scrambled ? ~value : value;
    const int32_t used = kept.Count();
    if (same && index >= 0 && index < used) {
        same = RecordStandsAs(a, index, kept.SlotOf(index));
    } else if (same && used < slotCount) {
        const Slot free;
        same = RecordStandsAs(a, used, free);
    }
    if (!same) {
        kept.Clear();
        return false;
    }
    count = used;
    return true;
}

// Opens the archive for a routine that works on one used entry: count first
// (which also tells the form), then the index check, then the open. The
// count of an archive counted before and unchanged since is the one kept
// then; a routine per entry over all entries is then no walk per entry.
int OpenForEntry(Archive& a, int index) {
    if (int count = 0; CountFromIndex(a, index, count)) {
        Server().Enter("_GetCount");
        if (index < 0 || index >= count) return ARKSTOWRET_BAD_INDEX;
        return 0;
    }
    bool scrambled = false;
    const int count = CountEntries(a.path, nullptr, nullptr, &scrambled);
    if (count < 0) return count;
    if (index < 0 || index >= count) return ARKSTOWRET_BAD_INDEX;
    if (!a.IsOpen()) return ARKSTOWRET_OPEN_FAILED;
    a.scrambled = scrambled;
    return 0;
}

// The body of slot into body (trace "SaveToStream").
int ReadEntryBody(Archive& a, const Slot& slot, std::vector<uint8_t>& body) {
    Server().Enter("SaveToStream");
    const uint32_t size = slot.info.size;
    // The whole body must lie inside the file before anything is allocated: a
    // damaged size or offset reads as an archive cut short.
    if (slot.bodyOffset < 0 || uint64_t(slot.bodyOffset) + size > a.length)
        return Server().ClibFailure("fread", "vSrc");
    if (!SeekTo(a, slot.bodyOffset)) return Server().ClibFailure("fsetpos", "vSrc");
    body.clear();
    try {
        body.reserve(size);
    } catch (const std::bad_alloc&) {
        return ARKSTOWRET_STREAM_ALLOC_FAILED;
    }
    ScrambledForm* form = a.scrambled ? g_scrambledForm : nullptr;
    while (body.size() < size) {
        // Scrambled chunks start at the body and run on into what follows it,
        // as they are decoded whole; those bytes are dropped. A plain body
        // reads only its own bytes.
        const size_t want = a.scrambled ? kChunkSize : std::min<size_t>(kChunkSize, size - body.size());
        size_t got = 0;
        if (!a.file.Read(g_chunkBuffer, want, &got) || got == 0) return Server().ClibFailure("fread", "vSrc");
        const size_t keep = std::min<size_t>(got, size - body.size());
        if (a.scrambled && (!form || !form->DecryptBody(g_chunkBuffer, kChunkSize)))
            return ARKSTOWRET_DECRYPT_FAILED;
        body.insert(body.end(), g_chunkBuffer, g_chunkBuffer + keep);
    }
    return 0;
}

// Writes body beside destFile under a private name and moves it into place
// only once it is complete: on any failure an existing destFile is as it was,
// attributes included, and nothing of the new one stays.
bool SaveBodyToFile(const std::vector<uint8_t>& body, const std::string& destFile) {
    uint32_t attributes = 0;
    const bool exists = fs::GetAttributes(destFile, &attributes);
    // Only a file is replaced, never a folder.
    if (exists && (attributes & fs::kAttrDirectory)) return false;
    std::string temporary;
    fs::File out = fs::CreateFileBeside(destFile, &temporary);
    if (!out.IsOpen()) return false;
    bool ok = out.Write(body.data(), body.size()) && out.Flush();
    ok = out.Close() && ok;
    if (ok) {
        // A read-only file could not be replaced; the archived attributes are
        // applied afterwards, and a failed move gives the bit back.
        const bool readOnly = exists && (attributes & fs::kAttrReadOnly);
        if (readOnly) fs::SetAttributes(destFile, attributes & ~fs::kAttrReadOnly);
        ok = fs::MoveIntoPlace(temporary, destFile);
        if (!ok && readOnly) fs::SetAttributes(destFile, attributes);
    }
    if (!ok) fs::RemoveFile(temporary);
    return ok;
}

// Writes a loaded body to destFile and gives it the entry's information
// block once written; read fetches that block (trace and all) and is not
// called when the save fails.
template <typename ReadInfoBlock>
int SaveBodyWithInfo(const std::string& archive, const std::vector<uint8_t>& body, const std::string& destFile,
                     ReadInfoBlock read) {
    // Written over, the archive would be gone while it is read, and with it
    // every other entry.
    if (fs::SameFileOrPath(archive, destFile)) return ARKSTOWRET_SAVE_FAILED;
    NameIndexWriteGuard writing;
    MakePathFolders(destFile);
    if (!SaveBodyToFile(body, destFile)) return ARKSTOWRET_SAVE_FAILED;
    TAchFileInfo info{};
    const int result = read(info);
    if (result == 0) WriteFileInfo(destFile, info);
    return result;
}

// The common end of SaveByIndex and SaveByName once the body is loaded.
int SaveLoadedBody(const std::string& archive, int index, const std::vector<uint8_t>& body,
                   const std::string& destFile) {
    return SaveBodyWithInfo(archive, body, destFile,
                            [&](TAchFileInfo& info) { return ReadInfo(archive, index, info); });
}

// Builds the name index with the walk LoadByName makes, quietly and through
// to the end: entries up to the first free slot, or up to the first failure,
// which a lookup that does not end sooner then meets in the walk itself.
void BuildNameIndex(Archive& a, NameIndex& index, const fs::FileStamp& stamp) {
    a.quiet = true;
    const bool headerRead = ReadHeader(a) == 0;
    index.Start(a.path, stamp, g_scrambledForm, a.scrambled);
    bool complete = headerRead;
    SlotWalk walk(a);
    for (int32_t i = 0; headerRead && i < a.slotCount; ++i) {
        Slot slot;
        if (walk.Next(slot, "fread") != 0) {
            complete = false;
            break;
        }
        if (slot.IsFree()) break;
        std::string name;
        if (walk.Name(slot, name, "fsetpos<1>") != 0 || !index.Add(slot, name)) {
            complete = false;
            break;
        }
    }
    index.End(complete);
    a.quiet = false;
}

// True when entry's record still stands in the file as the index holds it.
bool RecordStillStored(Archive& a, const NameIndex& index, int32_t entry) {
    return RecordStandsAs(a, entry, index.SlotOf(entry));
}

// LoadByName's body of an entry the index gave, once its name is confirmed
// in the file: where a plain body follows its name, one read takes both.
// false when the name no longer stands there; else result is ReadEntryBody's.
bool LoadIndexedBody(Archive& a, const NameIndex& index, int32_t entry, std::vector<uint8_t>& body, int& result) {
    const Slot& slot = index.SlotOf(entry);
    const std::string_view name = index.NameOf(entry);
    const uint64_t span = name.size() + 1 + uint64_t(slot.info.size);
    const bool bodyFollowsName = int64_t(slot.bodyOffset) == int64_t(slot.nameOffset) + int64_t(name.size()) + 1;
    if (!a.scrambled && slot.nameOffset >= 0 && bodyFollowsName && span <= kChunkSize &&
        uint64_t(slot.nameOffset) + span <= a.length) {
        if (a.ReadAt(uint64_t(slot.nameOffset), g_chunkBuffer, span) == span) {
            if (std::memcmp(g_chunkBuffer, name.data(), name.size()) != 0 || g_chunkBuffer[name.size()] != 0)
                return false;
            Server().Enter("SaveToStream");
            body.assign(g_chunkBuffer + name.size() + 1, g_chunkBuffer + span);
            result = 0;
            return true;
        }
        // Shorter than it was a moment ago: the reader below tells the failure.
    }
    std::string stored;
    a.quiet = true;
    const bool named = ReadSlotName(a, slot, stored, "fsetpos<1>") == 0 && stored == name;
    a.quiet = false;
    if (!named) return false;
    result = ReadEntryBody(a, slot, body);
    return true;
}

// The index of the last archive read by name, made to stand for archive a:
// built anew when a is another archive or has changed, and not kept while a's
// stamp is unsettled at now (read before a was opened). The entry it gives is
// checked against its record in the file. Unknown sends the caller to the
// walk, which also gives every failure its own code and log.
NameIndex::Found LookUpIndexed(Archive& a, uint64_t now, const std::string& wanted, int32_t& entry) {
    NameIndex& index = LastNameIndex();
    fs::FileStamp stamp;
    if (!a.file.Stamp(&stamp)) {
        index.Clear();
        return NameIndex::Found::Unknown;
    }
    ApplyStampView(stamp);
    // Where the file system keeps no change time, a rewrite in place that
    // keeps the size and sets the last-write time back cannot be seen: no
    // index is kept there, every lookup walks.
    if (!stamp.changeKept) {
        index.Clear();
        return NameIndex::Found::Unknown;
    }
    if (!index.Fits(a.path, stamp, g_scrambledForm)) {
        index.Clear();
        if (!NameIndex::IsSettled(stamp, now)) return NameIndex::Found::Unknown;
        try {
            BuildNameIndex(a, index, stamp);
        } catch (const std::bad_alloc&) {
            index.Clear();
            a.quiet = false;
            return NameIndex::Found::Unknown;
        }
    }
    const NameIndex::Found found = index.Lookup(wanted, entry);
    if (found != NameIndex::Found::Entry) return found;
    a.scrambled = index.Scrambled();
    if (!RecordStillStored(a, index, entry)) {
        index.Clear();
        return NameIndex::Found::Unknown;
    }
    return found;
}

}  // namespace

ScrambledForm* SetScrambledForm(ScrambledForm* form) {
    ScrambledForm* previous = g_scrambledForm;
    g_scrambledForm = form;
    return previous;
}
ScrambledForm* GetScrambledForm() { return g_scrambledForm; }

int CountEntries(const std::string& archive, int* slotCount, int* maxNameLength, bool* scrambled) {
    Server().Enter("_GetCount");
    if (slotCount) *slotCount = 0;
    if (maxNameLength) *maxNameLength = 0;
    if (scrambled) *scrambled = false;
    // Only the count this call ends with is kept; read before the file's
    // stamp, as LoadByName reads it.
    LastCountIndex().Clear();
    const uint64_t now = StampClockNow();
    Archive a(archive);
    if (!a.IsOpen()) return ARKSTOWRET_OPEN_FAILED;
    fs::FileStamp stamp;
    bool keep = MayKeepCount(a, now, stamp);
    if (int r = ReadHeader(a)) return r;
    if (slotCount) *slotCount = a.slotCount;
    if (scrambled) *scrambled = a.scrambled;
    // Room for every record the file can hold, reserved once: keeping the
    // slots never fails the count itself.
    std::vector<Slot> used;
    if (keep) {
        const uint64_t records = a.length > kHeaderSize ? (a.length - kHeaderSize) / kSlotSize : 0;
        const uint64_t slots = static_cast<uint64_t>(std::max(a.slotCount, 0));
        const uint64_t room = std::min<uint64_t>({slots, records, CountIndex::kMaxEntries});
        try {
            used.reserve(static_cast<size_t>(room));
        } catch (const std::bad_alloc&) {
            keep = false;
        }
    }
    int count = 0;
    SlotWalk walk(a);
    for (int32_t i = 0; i < a.slotCount; ++i) {
        Slot slot;
        if (int r = walk.Next(slot, "fread")) return r;
        if (slot.IsFree()) break;
        if (maxNameLength) {
            std::string name;
            if (int r = walk.Name(slot, name, "fsetpos<1>")) return r;
            if (static_cast<int>(name.size()) > *maxNameLength) *maxNameLength = static_cast<int>(name.size());
        }
        if (keep && used.size() < used.capacity())
            used.push_back(slot);
        else
            keep = false;
        ++count;
    }
    const uint32_t header = static_cast<uint32_t>(a.scrambled ? ~a.slotCount : a.slotCount);
    if (keep) LastCountIndex().Keep(archive, stamp, g_scrambledForm, header, std::move(used));
    return count;
}

int ReadName(const std::string& archive, int index, char* buffer, int bufferSize) {
    Server().Enter("_GetName");
    Archive a(archive);
    if (int r = OpenForEntry(a, index)) return r;
    Slot slot;
    if (int r = ReadSlotAt(a, index, slot, "fsetpos<1>", "fread")) return r;
    std::string name;
    if (int r = ReadSlotName(a, slot, name, "fsetpos<2>")) return r;
    if (static_cast<int64_t>(name.size()) > bufferSize) return ARKSTOWRET_BUFFER_TOO_SMALL;
    if (!buffer) return ARKSTOWRET_BAD_ARGUMENT;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return 0;
}

int ReadInfo(const std::string& archive, int index, TAchFileInfo& info) {
    Server().Enter("_GetInfo");
    Archive a(archive);
    if (int r = OpenForEntry(a, index)) return r;
    Slot slot;
    if (int r = ReadSlotAt(a, index, slot, "fsetpos", "fread")) return r;
    info = slot.info;
    return 0;
}

int LoadBodyByIndex(const std::string& archive, int index, std::vector<uint8_t>& body) {
    Server().Enter("_LoadByIndex");
    Archive a(archive);
    if (int r = OpenForEntry(a, index)) return r;
    Slot slot;
    if (int r = ReadSlotAt(a, index, slot, "fsetpos", "fread")) return r;
    return ReadEntryBody(a, slot, body);
}

int LoadBodyByName(const std::string& archive, const std::string& wanted, std::vector<uint8_t>& body) {
    Server().Enter("_LoadByName");
    // Read before the file's stamp, so that a change after the stamp is
    // judged against a time no later than it.
    const uint64_t now = StampClockNow();
    Archive a(archive);
    if (!a.IsOpen()) return ARKSTOWRET_OPEN_FAILED;
    int32_t index = 0;
    switch (LookUpIndexed(a, now, wanted, index)) {
    case NameIndex::Found::Entry: {
        int r = 0;
        if (LoadIndexedBody(a, LastNameIndex(), index, body, r)) return r != 0 ? r : index;
        LastNameIndex().Clear();
        break;
    }
    case NameIndex::Found::None:
        return ARKSTOWRET_NOT_FOUND;
    case NameIndex::Found::Unknown:
        break;
    }
    if (int r = ReadHeader(a)) return r;
    SlotWalk walk(a);
    for (int32_t i = 0; i < a.slotCount; ++i) {
        Slot slot;
        if (int r = walk.Next(slot, "fread")) return r;
        if (slot.IsFree()) return ARKSTOWRET_NOT_FOUND;
        std::string name;
        if (int r = walk.Name(slot, name, "fsetpos<1>")) return r;
        if (EqualIgnoringAsciiCase(name, wanted)) {
            const int r = ReadEntryBody(a, slot, body);
            return r != 0 ? r : i;
        }
    }
    return ARKSTOWRET_NOT_FOUND;
}

int FindEntry(const std::string& archive, const char* wanted) {
    Server().Enter("_Find");
    Archive a(archive);
    if (!a.IsOpen()) return ARKSTOWRET_OPEN_FAILED;
    if (int r = ReadHeader(a)) return r;
    // Find never unscrambles: a scrambled archive reads as one without entries.
    if (a.scrambled || a.slotCount <= 0) return ARKSTOWRET_NOT_FOUND;
    SlotWalk walk(a);
    for (int32_t i = 0; i < a.slotCount; ++i) {
        Slot slot;
        if (int r = walk.Next(slot, "fread")) return r;
        // A free slot ends the used ones; its zero name offset would read the header as a name.
        if (slot.IsFree()) return ARKSTOWRET_NOT_FOUND;
        std::string name;
        if (int r = walk.Name(slot, name, "fsetpos<2>")) return r;
        if (EqualIgnoringCaseLocale(name.c_str(), wanted)) return i;
    }
    return ARKSTOWRET_NOT_FOUND;
}

int CopyRawBytes(const std::string& archive, const char* name, void* buffer, int offset, int length) {
    Server().Enter("_MemCopy");
    if (offset < 0 || length < 0 || int64_t(offset) + length > INT_MAX || (!buffer && length > 0))
        return ARKSTOWRET_BAD_ARGUMENT;
    const int index = FindEntry(archive, name);
    if (index < 0) return index;
    Archive a(archive);
    if (!a.IsOpen()) return ARKSTOWRET_OPEN_FAILED;
    Slot slot;
    if (int r = ReadSlotAt(a, index, slot, "fsetpos<1>", "fread<1>")) return r;
    if (!SeekTo(a, int64_t(slot.bodyOffset) + offset)) return a.Fail("fsetpos<2>");
    if (!a.file.ReadExact(buffer, static_cast<size_t>(length))) return a.Fail("fread<2>");
    uint64_t here = 0;
    if (!a.file.Tell(&here)) return a.Fail("fgetpos");
    return static_cast<int>(static_cast<int64_t>(here) - slot.bodyOffset);
}

int SaveEntryByIndex(const std::string& archive, int index, const std::string& destFile) {
    Server().Enter("_SaveByIndex");
    std::vector<uint8_t> body;
    if (int r = LoadBodyByIndex(archive, index, body)) return r;
    return SaveLoadedBody(archive, index, body, destFile);
}

int SaveEntryByName(const std::string& archive, const std::string& name, const std::string& destFile) {
    Server().Enter("_SaveByName");
    std::vector<uint8_t> body;
    const int index = LoadBodyByName(archive, name, body);
    if (index < 0) return index;
    return SaveLoadedBody(archive, index, body, destFile);
}

int SaveAllEntries(const std::string& archive, const std::string& destFolder) {
    Server().Enter("_SaveAll");
    bool scrambled = false;
    const int count = CountEntries(archive, nullptr, nullptr, &scrambled);
    if (count < 0) return count;
    if (count == 0) return 0;
    // One walk over the records, each entry saved as SaveByIndex would save
    // it: the per-entry calls would count the archive anew three times an
    // entry, a walk as long as the archive each time. The trace and every
    // code stay those of the per-entry calls.
    Archive a(archive);
    if (!a.IsOpen()) return ARKSTOWRET_OPEN_FAILED;
    a.scrambled = scrambled;
    a.slotCount = count;
    SlotWalk walk(a);
    int result = 0;
    std::vector<uint8_t> body;
    for (int i = 0; i < count; ++i) {
        Server().Enter("_GetName");
        Server().Enter("_GetCount");
        Slot slot;
        std::string name;
        if (int r = walk.Next(slot, "fread"); r != 0 || (r = walk.Name(slot, name, "fsetpos<2>")) != 0) {
            result = r;
            continue;
        }
        // A stored name must not lead out of destFolder; the other entries go on.
        if (!IsSafeName(name)) {
            result = ARKSTOWRET_UNSAFE_NAME;
            continue;
        }
        Server().Enter("_SaveByIndex");
        Server().Enter("_LoadByIndex");
        Server().Enter("_GetCount");
        if (int r = ReadEntryBody(a, slot, body)) {
            result = r;
            continue;
        }
        const int r = SaveBodyWithInfo(archive, body, JoinPath(destFolder, name), [&](TAchFileInfo& info) {
            Server().Enter("_GetInfo");
            Server().Enter("_GetCount");
            info = slot.info;
            return 0;
        });
        if (r != 0) result = r;
    }
    return result;
}

void WriteFileInfo(const std::string& path, const TAchFileInfo& info) {
    fs::FileTimes times;
    times.creation = (uint64_t(info.creationHigh) << 32) | info.creationLow;
    times.lastAccess = (uint64_t(info.lastAccessHigh) << 32) | info.lastAccessLow;
    times.lastWrite = (uint64_t(info.lastWriteHigh) << 32) | info.lastWriteLow;
    fs::SetTimes(path, times);
    fs::SetAttributes(path, info.attributes);
}

int FillCallerStream(ArkMemStream* stream, const std::vector<uint8_t>& body) {
    const uint32_t size = static_cast<uint32_t>(body.size());
    if (!stream || !stream->resize || stream->resize(stream, size) != 0) return ARKSTOWRET_STREAM_SIZE_FAILED;
    if (size > 0 && (!stream->data || stream->size < size)) return ARKSTOWRET_STREAM_LOAD_FAILED;
    if (size > 0) std::memcpy(stream->data, body.data(), size);
    stream->position = 0;
    return 0;
}

}  // namespace ark
