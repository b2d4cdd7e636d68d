#include "archive/name_index.h"

#include <algorithm>
#include <utility>

#include "archive/names.h"

namespace ark {
namespace {

constexpr uint64_t kSecond = 10'000'000;  // FILETIME units
// NTFS and Linux stamp files from a clock that moves in scheduler ticks (16 ms
// at most). Times on whole seconds come from file systems that keep only
// seconds (FAT keeps two).
constexpr uint64_t kFineStep = kSecond / 10;
constexpr uint64_t kCoarseStep = 3 * kSecond;

StampClock g_clock = nullptr;
StampView g_view = nullptr;

// FNV-1a over the name with every byte 'a' to 'z' taken as upper case: two
// names equal but for the case of single-byte letters hash alike, whichever
// bytes are lead or trail bytes.
uint64_t FoldedHash(std::string_view name) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        h = (h ^ c) * 0x100000001B3ull;
    }
    return h;
}

}  // namespace

bool NameIndex::IsSettled(const fs::FileStamp& stamp, uint64_t now) {
    const bool wholeSeconds = stamp.lastWrite % kSecond == 0 && stamp.change % kSecond == 0;
    const uint64_t step = wholeSeconds ? kCoarseStep : kFineStep;
    return now > step && std::max(stamp.lastWrite, stamp.change) < now - step;
}

bool NameIndex::Fits(const std::string& path, const fs::FileStamp& stamp, const ScrambledForm* form) const {
    return valid_ && form_ == form && stamp_ == stamp && path_ == path;
}

void NameIndex::Start(const std::string& path, const fs::FileStamp& stamp, const ScrambledForm* form,
                      bool scrambled) {
    Clear();
    path_ = path;
    stamp_ = stamp;
    form_ = form;
    scrambled_ = scrambled;
}

bool NameIndex::Add(const Slot& slot, std::string_view name) {
    if (slots_.size() >= kMaxEntries || names_.size() + name.size() > kMaxNameBytes) return false;
    const int32_t index = static_cast<int32_t>(slots_.size());
    slots_.push_back(slot);
    names_.append(name);
    nameEnds_.push_back(static_cast<uint32_t>(names_.size()));
    next_.push_back(-1);
    auto [at, added] = byName_.try_emplace(FoldedHash(name), Chain{index, index});
    if (!added) {
        next_[static_cast<size_t>(at->second.last)] = index;
        at->second.last = index;
    }
    return true;
}

void NameIndex::End(bool complete) {
    complete_ = complete;
    valid_ = true;
}

void NameIndex::Clear() {
    valid_ = false;
    complete_ = false;
    path_.clear();
    stamp_ = {};
    form_ = nullptr;
    scrambled_ = false;
    slots_.clear();
    names_.clear();
    nameEnds_.clear();
    byName_.clear();
    next_.clear();
}

std::string_view NameIndex::NameOf(int32_t index) const {
    const size_t i = static_cast<size_t>(index);
    const size_t start = i == 0 ? 0 : nameEnds_[i - 1];
    return std::string_view(names_).substr(start, nameEnds_[i] - start);
}

NameIndex::Found NameIndex::Lookup(std::string_view wanted, int32_t& index) const {
    if (!valid_) return Found::Unknown;
    if (auto at = byName_.find(FoldedHash(wanted)); at != byName_.end()) {
        for (int32_t i = at->second.first; i >= 0; i = next_[static_cast<size_t>(i)]) {
            if (EqualIgnoringAsciiCase(NameOf(i), wanted)) {
                index = i;
                return Found::Entry;
            }
        }
    }
    return complete_ ? Found::None : Found::Unknown;
}

NameIndex& LastNameIndex() {
    static NameIndex index;
    return index;
}

bool CountIndex::Fits(const std::string& path, const fs::FileStamp& stamp, const ScrambledForm* form) const {
    return valid_ && form_ == form && stamp_ == stamp && path_ == path;
}

void CountIndex::Keep(const std::string& path, const fs::FileStamp& stamp, const ScrambledForm* form,
                      uint32_t header, std::vector<Slot> slots) {
    Clear();
    if (slots.size() > kMaxEntries) return;
    path_ = path;
    stamp_ = stamp;
    form_ = form;
    header_ = header;
    slots_ = std::move(slots);
    valid_ = true;
}

void CountIndex::Clear() {
    valid_ = false;
    path_.clear();
    stamp_ = {};
    form_ = nullptr;
    header_ = 0;
    slots_.clear();
    slots_.shrink_to_fit();
}

CountIndex& LastCountIndex() {
    static CountIndex index;
    return index;
}

StampClock SetStampClockForTesting(StampClock clock) { return std::exchange(g_clock, clock); }
StampView SetStampViewForTesting(StampView view) { return std::exchange(g_view, view); }
uint64_t StampClockNow() { return g_clock ? g_clock() : fs::CurrentTime(); }
void ApplyStampView(fs::FileStamp& stamp) {
    if (g_view) g_view(stamp);
}

}  // namespace ark
