// The scrambled form of an archive: slot records XORed with a fixed key table
// by slot index, names bitwise inverted, bodies enciphered in 65,536-byte
// chunks through the pack library's synchronous buffer coding with the body
// password. TAchCipher is the one process-wide holder of that coding and is
// the form the readers use (archive/core/scrambled.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "archive/core/layout.h"
#include "archive/core/scrambled.h"

namespace ark {

// Slot s uses the 40 key bytes from index s mod 128, so the table holds
// 128 + 40 - 1 bytes. The values are frozen (archive/slot_keys.cpp).
constexpr size_t kAchSlotKeyTableSize = 167;
extern const uint8_t kAchSlotKeyTable[kAchSlotKeyTableSize];
static_assert(kAchSlotKeyTableSize >= 127 + kSlotSize, "every slot needs 40 key bytes");

// The password of the body coding and the length passed with it.
inline constexpr const char kAchBodyPassword[] = "Qorvend";
constexpr int kAchBodyPasswordLength = 7;

// The header of the scrambled form: the complement of the slot count, which is
// negative for every count of 0 or more.
constexpr int32_t ScrambledHeader(int32_t slotCount) { return ~slotCount; }

// Byte j (j < length, at most 40) of record XORed with (j + K[(slot mod 128) + j])
// mod 256. Its own inverse.
void ScrambleSlotBytes(uint8_t* record, size_t length, uint32_t slotIndex);

// Inverts the bytes of name before its first zero byte, looking at no more
// than length bytes; returns how many were inverted.
size_t InvertNameBytes(char* name, size_t length);

// What the body coding needs of the pack library: its two synchronous buffer
// exports, each with the pack library's result (0 on success). Bound() is
// false when the library did not load or lacks either export, and then no
// call is made.
class BodyCodingLibrary {
public:
    virtual ~BodyCodingLibrary() = default;
    virtual bool Bound() const = 0;
    // data coded in place, at once; password and its length as given.
    virtual int EncryptBufferData(uint8_t* data, uint32_t length, const char* password, int passwordLength) = 0;
    virtual int DecryptBufferData(uint8_t* data, uint32_t length, const char* password, int passwordLength) = 0;
};

// The pack library of this platform: on Windows a binding of "Kabbit.dll"
// (loaded at the first call); natively none (every body fails), so native
// tests install their own.
std::unique_ptr<BodyCodingLibrary> MakePlatformBodyCodingLibrary();

class TAchCipher final : public ScrambledForm {
public:
    TAchCipher() = default;
    TAchCipher(const TAchCipher&) = delete;
    TAchCipher& operator=(const TAchCipher&) = delete;

    // In place on a 40-byte record.
    void ScrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex);
    void UnscrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex) override;

    // True when the pack library is bound and its synchronous buffer coding of
    // buffer (length bytes, in place) with the body password returned 0. False,
    // buffer untouched by this library, otherwise (also for length 0 or one
    // above 4 GiB - 1, which the coding cannot take).
    bool EncryptBody(uint8_t* buffer, size_t length);
    bool DecryptBody(uint8_t* buffer, size_t length) override;

    // Replaces the library (nullptr: back to the platform's, bound again at the
    // next use) and returns nothing; for tests and for unloading.
    void SetLibrary(std::unique_ptr<BodyCodingLibrary> library);

private:
    BodyCodingLibrary* Library();

    std::unique_ptr<BodyCodingLibrary> library_;
    bool platformTried_ = false;
    uint8_t work_[kSlotSize] = {};  // key bytes of the slot being scrambled
};

// The process-wide cipher, installed as the readers' scrambled form by
// InstallAchCipher (idempotent).
TAchCipher& AchCipher();
void InstallAchCipher();

}  // namespace ark
