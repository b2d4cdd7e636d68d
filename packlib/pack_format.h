// packlib/: the pack library's portable core (formats, cipher, container codec,
// jobs and their controller), each platform half beside its concern as
// *_win.cpp or *_posix.cpp. It may use shared/, zlib and the system's MD5; never
// archive/ or markers/, and no Windows header outside a *_win.cpp. Kabbit.dll's
// exports and public headers are in win/, the tests in tests/.
//
// The pack file: a 526-byte header with the password and cipher parameters, then
// entries appended one after another. Fields are read one by one from a buffered
// reader with 64-bit positions; every stored length is checked before it is used.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "packlib/buffer_cipher.h"
#include "shared/base/byte_reader.h"
#include "shared/base/fs.h"

namespace kb::pack {

// PackHeader layout.
constexpr size_t kHeaderSize = 526;
constexpr size_t kVersionOffset = 0;
constexpr size_t kFlagsOffset = 1;
constexpr size_t kSaltOffset = 2;
constexpr size_t kSaltSize = 8;
constexpr size_t kRoundsBlockOffset = 10;
constexpr size_t kRoundsBlockSize = 256;
constexpr size_t kReservedOffset = 266;
constexpr size_t kReservedSize = 4;
constexpr size_t kPasswordFieldOffset = 270;
constexpr size_t kPasswordFieldSize = 256;
static_assert(kSaltOffset + kSaltSize == kRoundsBlockOffset);
static_assert(kRoundsBlockOffset + kRoundsBlockSize == kReservedOffset);
static_assert(kReservedOffset + kReservedSize == kPasswordFieldOffset);
static_assert(kPasswordFieldOffset + kPasswordFieldSize == kHeaderSize);

constexpr uint8_t kFormatVersion = 0x50;  // major 5, minor 0
constexpr uint8_t kReservedByte = 0x20;

// TypeFlags in plain form; the header stores the byte inverted.
constexpr uint8_t PACKFLAG_PASSWORD = 0x01;
constexpr uint8_t PACKFLAG_ENCRYPTED = 0x02;
constexpr uint8_t PACKFLAG_DIGESTKEY = 0x04;

// PackEntry layout.
constexpr size_t kEntryFlagsSize = 8;
constexpr uint8_t kEntryCompressedBit = 0x80;  // byte 0 of EntryFlags
constexpr size_t kLengthFieldSize = 4;
constexpr size_t kTrailerSize = 32;             // plain entries only
constexpr size_t kTrailerAttributesOffset = 4;
constexpr size_t kTrailerCreationOffset = 8;
constexpr size_t kTrailerLastAccessOffset = 16;
constexpr size_t kTrailerLastWriteOffset = 24;
// Writers store names of at most 250 bytes; a reader accepts what the name
// keystream covers (256) and refuses longer ones as damage.
constexpr uint32_t kMaxStoredNameLength = 250;
constexpr uint32_t kMaxReadNameLength = 256;
constexpr uint32_t kMaxDataLength = 4000000000u;
constexpr size_t kChunkSize = 1024;

// The rounds value R of a whole header: 0 unless PACKFLAG_ENCRYPTED is set, else the
// RoundsBlock byte at the position the salt encodes.
uint8_t RoundsOfHeader(const uint8_t* header);

// Reads a file front to back through a buffer, so that small field reads and
// 1024-byte chunks are not one system call each.
class PackReader {
public:
    PackReader() = default;
    PackReader(const PackReader&) = delete;
    PackReader& operator=(const PackReader&) = delete;
    PackReader(PackReader&&) = default;
    PackReader& operator=(PackReader&&) = default;

    // Opens path for reading (others may read too) and notes its length.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_.IsOpen(); }
    void Close();

    uint64_t Length() const { return length_; }
    uint64_t Position() const { return position_; }

    // Reads up to size bytes; returns how many were read (fewer only at the end
    // or on an error).
    size_t Read(void* buffer, size_t size);
    bool ReadExact(void* buffer, size_t size) { return Read(buffer, size) == size; }
    // Moves count bytes on; false, position unchanged, when that passes the end.
    bool Skip(uint64_t count);
    // Moves to an absolute position at or before the end.
    bool SeekTo(uint64_t position);
    // The open file's stamp as it stands now.
    bool Stamp(fs::FileStamp* stamp) { return file_.Stamp(stamp); }

    // Refills read at most limit bytes ahead (0: the whole buffer): a walk that
    // skips most of what follows a header then reads little it does not use.
    void LimitReadAhead(size_t limit) { readAhead_ = limit == 0 || limit > kBufferSize ? kBufferSize : limit; }

    static constexpr size_t kBufferSize = 64 * 1024;

private:
    fs::File file_;
    std::unique_ptr<char[]> buffer_;  // kBufferSize bytes once the first read needs it
    size_t bufferSize_ = 0;  // bytes of buffer_ that hold file data
    size_t bufferPos_ = 0;   // next unread byte of buffer_
    uint64_t position_ = 0;  // logical position of the next byte
    uint64_t length_ = 0;
    size_t readAhead_ = kBufferSize;
};

// Reads the rounds value from the start of an open pack: bytes 0 and 1, then,
// when encrypted, the salt and the RoundsBlock. 0 or PACKERR_ILLEGAL_PACKED_FILE.
int ReadRounds(PackReader& pack, uint8_t* rounds);

// The most bytes of one entry before its data: flags, NameLength, name, DataLength.
constexpr size_t kMaxEntryHeaderSize = kEntryFlagsSize + kLengthFieldSize + kMaxReadNameLength + kLengthFieldSize;

// One entry's fixed part as a walker has read it.
struct EntryHeader {
    uint64_t headerOffset = 0;  // where its flags start
    uint32_t index = 0;       // counts entries from 0 in file order
    bool compressed = false;  // EntryFlags byte 0 bit 7
    std::string name;         // decoded
    uint32_t dataLength = 0;
    uint64_t dataOffset = 0;  // where the data start
    bool operator==(const EntryHeader&) const = default;
};

// Walks the entries of a pack whose reader stands at the first entry (offset 526).
class EntryWalker {
public:
    EntryWalker(PackReader& pack, uint8_t rounds) : pack_(pack), rounds_(rounds) {}

    // Reads the next entry's flags, name and DataLength, leaving the reader at its
    // data. Returns 1 with *entry filled, 0 at the end of the pack (the position at
    // the end, or the end within NameLength), or an error: PACKERR_FILE_IO for a
    // short flag field or name, PACKERR_ILLEGAL_PACKED_FILE for a NameLength above
    // 256 (refused before anything is read into a buffer), a missing DataLength or
    // one above 4,000,000,000.
    int Next(EntryHeader* entry);

    // Skips the data of entry and, for a plain entry, its trailer. 0, or
    // PACKERR_FILE_IO when they pass the end of the pack.
    int SkipBody(const EntryHeader& entry);

    // Goes to the entry with this index whose header starts at offset; false
    // when offset lies beyond the end.
    bool StartAt(uint64_t offset, uint32_t index);

private:
    PackReader& pack_;
    uint8_t rounds_;
    uint32_t nextIndex_ = 0;
    CBufferCipher codec_;  // no password: names and lengths only
};

// Opens a pack for a walk: reads R and leaves the reader at the first entry.
// 0, PACKERR_OPEN_PACKED_FILE or PACKERR_ILLEGAL_PACKED_FILE.
int OpenForWalk(const std::string& path, PackReader* pack, uint8_t* rounds);
// The same for a pack already open (the access check's): read again from its start.
int ReopenForWalk(const std::string& path, PackReader* pack, uint8_t* rounds);

// Walks every entry of the pack at path: how many there are and the sum of
// their DataLength, and R when rounds is given. 0 or the walk's error.
int CountEntries(const std::string& path, uint32_t* count, uint64_t* total, uint8_t* rounds = nullptr);

}  // namespace kb::pack
