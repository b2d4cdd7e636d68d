#include "archive/layout.h"

#include <initializer_list>

namespace ark {

Slot ParseSlot(const uint8_t (&r)[kSlotSize]) {
    static_assert(kSlotNameOffset == 0 && kSlotBodyOffset == 4 && kSlotInfo == 8);
    Slot s;
    kb::ByteReader in(r, kSlotSize);
    in.I32(&s.nameOffset);
    in.I32(&s.bodyOffset);
    for (uint32_t* field : {&s.info.size, &s.info.attributes, &s.info.creationLow, &s.info.creationHigh,
                            &s.info.lastAccessLow, &s.info.lastAccessHigh, &s.info.lastWriteLow, &s.info.lastWriteHigh})
        in.U32(field);
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
