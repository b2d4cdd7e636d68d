// The archive file layout: a 32-bit slot count (complemented in the scrambled
// form), 40-byte slot records, then each entry's zero-terminated name followed
// by its body. All integers little-endian.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/arkstow_api.h"
#include "shared/base/byte_reader.h"

namespace ark {

using kb::ReadLe32;
using kb::WriteLe32;

constexpr uint64_t kHeaderSize = 4;
constexpr size_t kSlotSize = 40;
// Slot fields.
constexpr size_t kSlotNameOffset = 0;    // int32 file position of the name
constexpr size_t kSlotBodyOffset = 4;    // int32 file position of the body; 0 marks a free slot
constexpr size_t kSlotInfo = 8;          // the 32-byte TAchFileInfo
constexpr size_t kInfoSize = 32;
static_assert(kSlotInfo + kInfoSize == kSlotSize);
static_assert(sizeof(TAchFileInfo) == kInfoSize);

// A reader takes at most this many bytes from a name's offset: a name is
// shorter, and one without a terminator in them marks a damaged archive.
constexpr size_t kNameReadLimit = 4096;
// Bodies pass through one buffer of this size.
constexpr size_t kChunkSize = 65536;

// File position of slot index.
constexpr uint64_t SlotPosition(uint64_t index) { return kHeaderSize + kSlotSize * index; }

struct Slot {
    int32_t nameOffset = 0;
    int32_t bodyOffset = 0;
    TAchFileInfo info{};
    bool IsFree() const { return bodyOffset == 0; }
};

Slot ParseSlot(const uint8_t (&record)[kSlotSize]);
// The slot as stored (used by writers and test builders).
void FormatSlot(const Slot& slot, uint8_t (&record)[kSlotSize]);

}  // namespace ark
