#include "archive/ach_scramble.h"

#include <cstdint>

namespace ark {

void ScrambleSlotBytes(uint8_t* record, size_t length, uint32_t slotIndex) {
    const size_t base = slotIndex % 128;
    for (size_t j = 0; j < length && j < kSlotSize; ++j)
        record[j] ^= static_cast<uint8_t>(j + kAchSlotKeyTable[base + j]);
}

size_t InvertNameBytes(char* name, size_t length) {
    size_t i = 0;
    for (; i < length && name[i] != 0; ++i) name[i] = static_cast<char>(~static_cast<unsigned char>(name[i]));
    return i;
}

void TAchCipher::ScrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex) {
    const size_t base = slotIndex % 128;
    for (size_t j = 0; j < kSlotSize; ++j) work_[j] = static_cast<uint8_t>(j + kAchSlotKeyTable[base + j]);
    for (size_t j = 0; j < kSlotSize; ++j) record[j] ^= work_[j];
}

void TAchCipher::UnscrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex) { ScrambleSlot(record, slotIndex); }

BodyCodingLibrary* TAchCipher::Library() {
    if (!library_ && !platformTried_) {
        // Bound once, at the first body: loading a library from inside the
        // archive server's own load would run under the loader lock.
        platformTried_ = true;
        library_ = MakePlatformBodyCodingLibrary();
    }
    return library_.get();
}

bool TAchCipher::EncryptBody(uint8_t* buffer, size_t length) {
    BodyCodingLibrary* lib = Library();
    if (!lib || !lib->Bound() || !buffer || length == 0 || length > UINT32_MAX) return false;
    return lib->EncryptBufferData(buffer, static_cast<uint32_t>(length), kAchBodyPassword, kAchBodyPasswordLength) == 0;
}

bool TAchCipher::DecryptBody(uint8_t* buffer, size_t length) {
    BodyCodingLibrary* lib = Library();
    if (!lib || !lib->Bound() || !buffer || length == 0 || length > UINT32_MAX) return false;
    return lib->DecryptBufferData(buffer, static_cast<uint32_t>(length), kAchBodyPassword, kAchBodyPasswordLength) == 0;
}

void TAchCipher::SetLibrary(std::unique_ptr<BodyCodingLibrary> library) {
    library_ = std::move(library);
    platformTried_ = library_ != nullptr;
}

TAchCipher& AchCipher() {
    static TAchCipher cipher;
    return cipher;
}

void InstallAchCipher() {
    if (GetScrambledForm() != &AchCipher()) SetScrambledForm(&AchCipher());
}

}  // namespace ark
