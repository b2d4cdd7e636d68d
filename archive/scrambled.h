// Where the scrambled form of an archive plugs into the readers. A scrambled
// archive stores its slot count complemented (negative); the readers invert
// name bytes themselves and ask the installed form to unscramble each slot
// record (with its slot index) and to decode each 65,536-byte body chunk.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/layout.h"

namespace ark {

class ScrambledForm {
public:
    virtual ~ScrambledForm() = default;
    // In place; the same step scrambles and unscrambles.
    virtual void UnscrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex) = 0;
    // Decodes length bytes in place; false when the body cipher is unavailable
    // or fails (the reader then gives -72).
    virtual bool DecryptBody(uint8_t* buffer, size_t length) = 0;
};

// Installs the process-wide form and returns the previous one. With none
// installed, a scrambled archive's slots cannot be read: readers give -72.
ScrambledForm* SetScrambledForm(ScrambledForm* form);
ScrambledForm* GetScrambledForm();

}  // namespace ark
