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

#include "shared/base/byte_reader.h"
#include "shared/base/paths.h"

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

// A stored name is checked by IsSafeName with these options before it is joined
// to a folder (JoinPath): one leading backslash, at most a path's length.
constexpr SafeNameOptions kRecordNameOptions{.leadingSeparator = true, .maxLength = kMaxPathLength};

}  // namespace kb::pack
