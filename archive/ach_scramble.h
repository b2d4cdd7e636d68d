// The scrambled form of an archive: slot records XORed with a fixed key table
// by slot index, names bitwise inverted, bodies enciphered in 65,536-byte
// chunks through the pack library's synchronous buffer coding with the body
// password, reached through a TKabbit binding. TAchCipher is the one
// process-wide holder of that binding and is the form the readers use
// (archive/scrambled.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "archive/layout.h"
#include "archive/scrambled.h"
#include "shared/tkabbit.h"

namespace ark {

// Slot s uses the 40 key bytes from index s mod 128, so the table holds
// 128 + 40 - 1 bytes. The values are frozen (archive/slot_keys.cpp).
constexpr size_t kAchSlotKeyTableSize = 167;
extern const uint8_t kAchSlotKeyTable[kAchSlotKeyTableSize];
static_assert(kAchSlotKeyTableSize >= 127 + kSlotSize, "every slot needs 40 key bytes");

// The password of the body coding and the length passed with it.
inline constexpr const char kAchBodyPassword[] = "Qorvend";
constexpr int kAchBodyPasswordLength = 7;
static_assert(sizeof(kAchBodyPassword) - 1 == kAchBodyPasswordLength);

// The header of the scrambled form: the complement of the slot count, which is
// negative for every count of 0 or more.
constexpr int32_t ScrambledHeader(int32_t slotCount) { return ~slotCount; }

// Byte j (j < length, at most 40) of record XORed with (j + K[(slot mod 128) + j])
// mod 256. Its own inverse.
void ScrambleSlotBytes(uint8_t* record, size_t length, uint32_t slotIndex);

// Inverts the bytes of name before its first zero byte, looking at no more
// than length bytes; returns how many were inverted.
size_t InvertNameBytes(char* name, size_t length);

class TAchCipher final : public ScrambledForm {
public:
    TAchCipher() = default;
    // A binding still held is left to the system: a destructor may run inside
    // the unload of the archive server, where freeing a library is unsafe.
    ~TAchCipher() override;
    TAchCipher(const TAchCipher&) = delete;
    TAchCipher& operator=(const TAchCipher&) = delete;

    // In place on a 40-byte record.
    void ScrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex);
    void UnscrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex) override;

    // True when the pack library is bound with the export and its synchronous
    // buffer coding of buffer (length bytes, in place) with the body password
    // returned 0. False otherwise, without a call through a missing function
    // (also for length 0 or above INT_MAX, which the coding cannot take).
    bool EncryptBody(uint8_t* buffer, size_t length);
    bool DecryptBody(uint8_t* buffer, size_t length) override;

    // The binding: made at the first body (loading "Kabbit.dll" beside this
    // module) and kept while it loaded, with the body password set.
    kb::TKabbit* Binding();
    // Uses binding from now on (null: none, bodies fail); for tests.
    void SetBinding(std::unique_ptr<kb::TKabbit> binding);
    // Frees the binding; the next body binds the pack library again.
    void Reset();
    // As the archive server unloads: frees the binding when the library alone
    // is unloaded; when the whole process is ending leaves it to the system.
    void Unload(bool processEnding);

private:
    std::unique_ptr<kb::TKabbit> binding_;
    bool bindingTried_ = false;
    uint8_t work_[kSlotSize] = {};  // key bytes of the slot being scrambled
};

// The process-wide cipher, installed as the readers' scrambled form by
// InstallAchCipher (idempotent).
TAchCipher& AchCipher();
void InstallAchCipher();

}  // namespace ark
