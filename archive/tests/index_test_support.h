// Test helpers of the archive's index tests: a scrambled form of the tests'
// own and a memory stream that grows to what a call asks for.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/api.h"
#include "archive/frame.h"
#include "archive/scrambled.h"
#include "testing/builders/ach_builder.h"

namespace ark::testing {

// A scrambled form of the test's own: records XORed by position and index,
// bodies by position in the decoded chunk.
class XorForm final : public ScrambledForm {
public:
    void UnscrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex) override {
        for (size_t j = 0; j < kSlotSize; ++j) record[j] ^= static_cast<uint8_t>(0x5A + j + slotIndex);
    }
    bool DecryptBody(uint8_t* buffer, size_t length) override {
        for (size_t i = 0; i < length; ++i) buffer[i] ^= static_cast<uint8_t>(i * 7 + 3);
        return true;
    }
    static std::string Scramble(const AchBuilder& b) {
        std::string image = b.Build();
        const uint32_t n = ReadLe32(reinterpret_cast<const uint8_t*>(image.data()));
        PutLe32(image, 0, ~n);
        for (uint32_t s = 0; s < n; ++s)
            for (size_t j = 0; j < kSlotSize; ++j)
                image[AchBuilder::SlotPos(s) + j] ^= static_cast<char>(0x5A + j + s);
        for (size_t e = 0; e < b.entries().size(); ++e) {
            for (size_t k = 0; k < b.entries()[e].name.size(); ++k) image[b.NameOffset(e) + k] ^= '\xFF';
            for (size_t k = 0; k < b.entries()[e].body.size(); ++k)
                image[b.BodyOffset(e) + k] ^= static_cast<char>((k % kChunkSize) * 7 + 3);
        }
        return image;
    }
};

inline int KB_WINAPI ResizeString(ArkMemStream* stream, uint32_t size) {
    auto* memory = static_cast<std::string*>(stream->ctx);
    memory->assign(size, '\xEE');
    stream->data = memory->data();
    stream->size = size;
    return 0;
}

}  // namespace ark::testing
