#include "archive/layout.h"

namespace ark {

uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void WriteLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

Slot ParseSlot(const uint8_t (&r)[kSlotSize]) {
    Slot s;
    s.nameOffset = static_cast<int32_t>(ReadLe32(r + kSlotNameOffset));
    s.bodyOffset = static_cast<int32_t>(ReadLe32(r + kSlotBodyOffset));
    const uint8_t* i = r + kSlotInfo;
    s.info.size = ReadLe32(i + 0);
    s.info.attributes = ReadLe32(i + 4);
    s.info.creationLow = ReadLe32(i + 8);
    s.info.creationHigh = ReadLe32(i + 12);
    s.info.lastAccessLow = ReadLe32(i + 16);
    s.info.lastAccessHigh = ReadLe32(i + 20);
    s.info.lastWriteLow = ReadLe32(i + 24);
    s.info.lastWriteHigh = ReadLe32(i + 28);
    return s;
}

void FormatSlot(const Slot& s, uint8_t (&r)[kSlotSize]) {
    WriteLe32(r + kSlotNameOffset, static_cast<uint32_t>(s.nameOffset));
    WriteLe32(r + kSlotBodyOffset, static_cast<uint32_t>(s.bodyOffset));
    uint8_t* i = r + kSlotInfo;
    const uint32_t fields[8] = {s.info.size,           s.info.attributes,     s.info.creationLow,
                                s.info.creationHigh,   s.info.lastAccessLow,  s.info.lastAccessHigh,
                                s.info.lastWriteLow,   s.info.lastWriteHigh};
    for (int k = 0; k < 8; ++k) WriteLe32(i + 4 * k, fields[k]);
}

}  // namespace ark
