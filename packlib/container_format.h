// The compressed container (ZipPkg): record layout, bounds, naming and the pure
// rules (mode choice, progress, path joining) that the codec applies.
//
// A container is records back to back, no header or trailer. One record:
//   u32 RecordNameLength, RecordName bytes (no zero),
//   ZipPkgStatus (20 bytes: u32 creation, u32 last write, u32 last access, all
//   seconds since 1970; i32 size; u8 attributes; 3 filler bytes),
//   u32 FileLength,
//   when FileLength != 0: u8 BlockMode (0 one block, else one per 512 KiB of input),
//   then each block as u32 BlockLength and that many bytes of zlib output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kb::pack {

constexpr size_t kZipPkgStatusSize = 20;
constexpr size_t kZipPkgStatusCreation = 0;
constexpr size_t kZipPkgStatusLastWrite = 4;
constexpr size_t kZipPkgStatusLastAccess = 8;
constexpr size_t kZipPkgStatusSizeField = 12;
constexpr size_t kZipPkgStatusAttributes = 16;

constexpr uint32_t kZipPkgBlockSize = 524288;  // 0x80000 input bytes per block in mode 1
// Room for one compressed block: 13 + 1.01 x the block's input.
constexpr uint32_t kZipPkgBlockRoom = 529543;
constexpr uint32_t kZipPkgMaxFileLength = 4000000000u;
// Mode 0 is chosen only while 2.02 x FileLength + 26 stays below this.
constexpr uint64_t kZipPkgSingleBlockLimit = 0x3000000;
// So no mode-0 record can be longer than this.
constexpr uint32_t kZipPkgMaxSingleBlockFile = 24916644;
constexpr size_t kMaxRecordName = 259;
constexpr size_t kMaxPath = 259;

// Only these attribute bits describe a stored file.
constexpr uint8_t kZipPkgAttributeMask = 0x27;  // read-only, hidden, system, archive

constexpr uint8_t kBlockModeSingle = 0;
constexpr uint8_t kBlockModeBlocks = 1;

static_assert(kZipPkgBlockRoom == 13 + (uint64_t{kZipPkgBlockSize} * 101) / 100);
static_assert((uint64_t{kZipPkgMaxSingleBlockFile} * 202) / 100 + 26 < kZipPkgSingleBlockLimit);
static_assert((uint64_t{kZipPkgMaxSingleBlockFile + 1} * 202) / 100 + 26 >= kZipPkgSingleBlockLimit);

struct ZipPkgStatus {
    uint32_t creation = 0;    // seconds since 1970, 0 = unknown
    uint32_t lastWrite = 0;
    uint32_t lastAccess = 0;
    int32_t size = 0;         // low 32 bits of the size; readers use FileLength
    uint8_t attributes = 0;
};

void EncodeZipPkgStatus(const ZipPkgStatus& status, uint8_t out[kZipPkgStatusSize]);
ZipPkgStatus DecodeZipPkgStatus(const uint8_t in[kZipPkgStatusSize]);

inline void PutU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline uint32_t GetU32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Number of blocks of a mode-1 record, and the expanded size of block k (from 0).
uint32_t ZipPkgBlockCount(uint32_t fileLength);
uint32_t ZipPkgBlockExpandedSize(uint32_t fileLength, uint32_t k);

// The largest BlockLength the writer can produce for a block of this input size.
uint64_t ZipPkgBlockLimit(uint64_t inputLength);

// Mode choice for a file of fileLength bytes: estimate 2.02 x length + 26 against
// available physical memory plus a two-hundredth of the available virtual space,
// and against the single-block limit; all in 64 bits.
uint8_t ChooseBlockMode(uint64_t fileLength, uint64_t availablePhysical, uint64_t availableVirtual);

// Progress of a compression after block l (from 1) of inputDone bytes in total: 0..50.
int CompressProgress(uint64_t inputDone, uint64_t fileLength);
// Progress of an extraction after block k (from 0) of n: 50 + (50k + 50) / n.
int ExtractProgress(uint64_t k, uint64_t n);

// The stored name of sourcePath under baseFolder: the first baseFolder.size()
// bytes removed, then, when a ':' stands anywhere but first, everything up to and
// including the first ':'. False when nothing would remain.
bool MakeRecordName(const std::string& sourcePath, const std::string& baseFolder, std::string* name);
// The ':' rule alone, for names that a caller gives.
std::string StripDrivePart(const std::string& name);

// True when a stored name stays inside the folder it is joined to: 1 to 259 bytes,
// no zero byte, no ':', no leading double separator, no empty component and no
// component made only of dots and spaces. One leading backslash is allowed.
// Separators are single-byte '\' and '/', found by a double-byte walk.
bool IsSafeRecordName(const std::string& name);

// True when the last character of s (double-byte aware) is a single-byte '\'.
bool EndsWithBackslash(const std::string& s);

// The output path of recordName under folder: when both have the backslash, the
// folder's is dropped; when one has it, plain concatenation; when neither, one is
// put between them.
std::string JoinRecordPath(const std::string& folder, const std::string& recordName);

}  // namespace kb::pack
