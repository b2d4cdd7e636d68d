#include "archive/ach_scramble.h"

#include <climits>
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

kb::TKabbit* TAchCipher::Binding() {
    if (!binding_ && !bindingTried_) {
        // Bound at the first body, not when the archive server loads: loading a
        // library from inside another's load runs under the loader lock.
        bindingTried_ = true;
        auto binding = std::make_unique<kb::TKabbit>();
        if (binding->Usable()) {
            binding->password = kAchBodyPassword;
            binding_ = std::move(binding);
        }
    }
    return binding_.get();
}

void TAchCipher::SetBinding(std::unique_ptr<kb::TKabbit> binding) {
    binding_ = std::move(binding);
    if (binding_) binding_->password = kAchBodyPassword;
    bindingTried_ = true;
}

TAchCipher::~TAchCipher() { (void)binding_.release(); }

void TAchCipher::Unload(bool processEnding) {
    if (processEnding) (void)binding_.release();
    Reset();
}

void TAchCipher::Reset() {
    binding_.reset();
    bindingTried_ = false;
}

namespace {
bool CodeBody(kb::TKabbit* binding, bool encrypt, uint8_t* buffer, size_t length) {
    const auto fn = encrypt ? kb::KabbitFn::EncryptBufferData : kb::KabbitFn::DecryptBufferData;
    if (!binding || !binding->Usable() || !binding->Has(fn) || !buffer || length == 0 || length > INT_MAX)
        return false;
    const int n = static_cast<int>(length);
    return (encrypt ? binding->EncryptBufferData(buffer, n) : binding->DecryptBufferData(buffer, n)) == 0;
}
}  // namespace

bool TAchCipher::EncryptBody(uint8_t* buffer, size_t length) { return CodeBody(Binding(), true, buffer, length); }

bool TAchCipher::DecryptBody(uint8_t* buffer, size_t length) { return CodeBody(Binding(), false, buffer, length); }

TAchCipher& AchCipher() {
    static TAchCipher cipher;
    return cipher;
}

void InstallAchCipher() {
    if (GetScrambledForm() != &AchCipher()) SetScrambledForm(&AchCipher());
}

}  // namespace ark
