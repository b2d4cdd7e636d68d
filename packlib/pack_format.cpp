// Pack header fields, the buffered reader and the entry walker.
#include "packlib/pack_format.h"

#include <algorithm>
#include <cstring>

#include "packlib/header_salt.h"
#include "shared/pack_errors.h"

namespace kb::pack {

uint8_t RoundsOfHeader(const uint8_t* header) {
    const uint8_t flags = static_cast<uint8_t>(~header[kFlagsOffset]);
    if (!(flags & PACKFLAG_ENCRYPTED)) return 0;
    return header[kRoundsBlockOffset + CHeaderSalt::ReadSaltPosition(header + kSaltOffset)];
}

bool PackReader::Open(const std::string& path) {
    Close();
    file_ = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!file_.IsOpen()) return false;
    if (!file_.Size(&length_)) {
        Close();
        return false;
    }
    return true;
}

void PackReader::Close() {
    file_.Close();
    bufferSize_ = 0;
    bufferPos_ = 0;
    position_ = 0;
    length_ = 0;
}

size_t PackReader::Read(void* out, size_t size) {
    auto* dest = static_cast<char*>(out);
    size_t done = 0;
    while (done < size) {
        if (bufferPos_ == bufferSize_) {
            bufferSize_ = 0;
            bufferPos_ = 0;
            size_t got = 0;
            if (size - done >= kBufferSize) {
                // A request as large as the buffer goes straight to the caller's memory.
                if (!file_.Read(dest + done, size - done, &got)) got = 0;
                done += got;
                if (got == 0) break;
                continue;
            }
            // Not zeroed: only bytes the file gave are ever read from it.
            if (!buffer_) buffer_.reset(new char[kBufferSize]);
            // A refill never reads less than the request still needs.
            const size_t ahead = std::max(readAhead_, size - done);
            if (!file_.Read(buffer_.get(), ahead, &got)) got = 0;
            bufferSize_ = got;
            if (got == 0) break;
        }
        const size_t n = std::min(size - done, bufferSize_ - bufferPos_);
        std::memcpy(dest + done, buffer_.get() + bufferPos_, n);
        bufferPos_ += n;
        done += n;
    }
    position_ += done;
    return done;
}

bool PackReader::SeekTo(uint64_t position) {
    if (position > length_) return false;
    // Inside the buffered bytes: move within them.
    const uint64_t bufferStart = position_ - bufferPos_;
    if (position >= bufferStart && position <= bufferStart + bufferSize_) {
        bufferPos_ = static_cast<size_t>(position - bufferStart);
        position_ = position;
        return true;
    }
    if (!file_.Seek(static_cast<int64_t>(position), fs::Origin::Begin)) return false;
    bufferSize_ = 0;
    bufferPos_ = 0;
    position_ = position;
    return true;
}

bool PackReader::Skip(uint64_t count) {
    if (count > length_ || position_ > length_ - count) return false;
    return SeekTo(position_ + count);
}

int ReadRounds(PackReader& pack, uint8_t* rounds) {
    *rounds = 0;
    uint8_t header[kHeaderSize] = {};
    if (!pack.SeekTo(0) || !pack.ReadExact(header, kSaltOffset)) return PACKERR_ILLEGAL_PACKED_FILE;
    const uint8_t flags = static_cast<uint8_t>(~header[kFlagsOffset]);
    if (!(flags & PACKFLAG_ENCRYPTED)) return 0;
    if (!pack.ReadExact(header + kSaltOffset, kSaltSize)) return PACKERR_ILLEGAL_PACKED_FILE;
    if (!pack.ReadExact(header + kRoundsBlockOffset, kRoundsBlockSize)) return PACKERR_ILLEGAL_PACKED_FILE;
    *rounds = RoundsOfHeader(header);
    return 0;
}

namespace {

// Keeps a walker's refills to one header while it reads one.
struct HeaderReadAhead {
    explicit HeaderReadAhead(PackReader& pack) : pack_(pack) { pack_.LimitReadAhead(kMaxEntryHeaderSize); }
    ~HeaderReadAhead() { pack_.LimitReadAhead(0); }
    PackReader& pack_;
};

}  // namespace

int EntryWalker::Next(EntryHeader* entry) {
    if (pack_.Position() >= pack_.Length()) return 0;
    const HeaderReadAhead readAhead(pack_);
    const uint64_t headerOffset = pack_.Position();
    uint8_t flags[kEntryFlagsSize];
    if (!pack_.ReadExact(flags, 1) || !pack_.Skip(kEntryFlagsSize - 1)) return PACKERR_FILE_IO;

    uint8_t field[kLengthFieldSize];
    if (!pack_.ReadExact(field, sizeof field)) return 0;
    if (rounds_) codec_.CodeLengthField(field, rounds_, nextIndex_);
    const uint32_t nameLength = ReadLe32(field);
    if (nameLength > kMaxReadNameLength) return PACKERR_ILLEGAL_PACKED_FILE;

    char name[kMaxReadNameLength + 1];
    if (!pack_.ReadExact(name, nameLength)) return PACKERR_FILE_IO;
    if (rounds_)
        codec_.DecodeEntryName(name, nameLength, rounds_, nextIndex_);
    else
        name[nameLength] = 0;

    if (!pack_.ReadExact(field, sizeof field)) return PACKERR_ILLEGAL_PACKED_FILE;
    if (rounds_) codec_.CodeLengthField(field, rounds_, nextIndex_);
    const uint32_t dataLength = ReadLe32(field);
    if (dataLength > kMaxDataLength) return PACKERR_ILLEGAL_PACKED_FILE;

    entry->headerOffset = headerOffset;
    entry->index = nextIndex_++;
    entry->compressed = (flags[0] & kEntryCompressedBit) != 0;
    // A decoded name may hold a zero byte; the name ends there, as a C string would.
    entry->name.assign(name, std::strlen(name));
    entry->dataLength = dataLength;
    entry->dataOffset = pack_.Position();
    return 1;
}

int EntryWalker::SkipBody(const EntryHeader& entry) {
    const uint64_t body = static_cast<uint64_t>(entry.dataLength) + (entry.compressed ? 0 : kTrailerSize);
    if (!pack_.SeekTo(entry.dataOffset) || !pack_.Skip(body)) return PACKERR_FILE_IO;
    return 0;
}

bool EntryWalker::StartAt(uint64_t offset, uint32_t index) {
    if (!pack_.SeekTo(offset)) return false;
    nextIndex_ = index;
    return true;
}

int OpenForWalk(const std::string& path, PackReader* pack, uint8_t* rounds) {
    if (!pack->Open(path)) return PACKERR_OPEN_PACKED_FILE;
    return ReopenForWalk(path, pack, rounds);
}

int ReopenForWalk(const std::string& path, PackReader* pack, uint8_t* rounds) {
    if (!pack->IsOpen()) return OpenForWalk(path, pack, rounds);
    // The header alone: what follows it may be read from elsewhere.
    pack->LimitReadAhead(kHeaderSize);
    const int err = ReadRounds(*pack, rounds);
    pack->LimitReadAhead(0);
    if (err) return err;
    if (!pack->SeekTo(kHeaderSize)) return PACKERR_ILLEGAL_PACKED_FILE;
    return 0;
}

int CountEntries(const std::string& path, uint32_t* count, uint64_t* total, uint8_t* rounds) {
    *count = 0;
    *total = 0;
    PackReader pack;
    uint8_t r = 0;
    const int err = OpenForWalk(path, &pack, &r);
    if (rounds) *rounds = r;
    if (err) return err;
    EntryWalker walker(pack, r);
    EntryHeader entry;
    for (;;) {
        const int next = walker.Next(&entry);
        if (next <= 0) return next;
        if (const int skip = walker.SkipBody(entry)) return skip;
        ++*count;
        *total += entry.dataLength;
    }
}

}  // namespace kb::pack
