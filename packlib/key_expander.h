// Key expansion: turns a password into the key material behind the data key.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kb {

class CKeyExpander {
public:
    // Bytes per password byte in the data key's material.
    static constexpr uint32_t kDataKeyColumns = 15;
    static constexpr uint32_t kMaxPasswordLength = 255;

    CKeyExpander() = default;
    CKeyExpander(const CKeyExpander&) = delete;
    CKeyExpander& operator=(const CKeyExpander&) = delete;
    virtual ~CKeyExpander() = default;

    // Repetition count of the data key for a password of length bytes: 2048 / length
    // (0 for length 0).
    static uint32_t DataKeyRepetitions(size_t length);

    // Key material of a zero-terminated password of L bytes (1 to 255): n * L * w bytes,
    // byte (r * L + i) * w + j = MixKeyByte(~password[i], j, i, r, (r mod w) + 5).
    // out: replaced by the material; its size is the material's size.
    // Returns false, with out empty, when password is null or empty or longer than
    // 255 bytes, when n or w is 0, or when memory cannot be had. Never throws.
    bool ExpandKeyMaterial(const char* password, uint32_t n, uint32_t w, std::vector<uint8_t>& out) const;

    // One byte of key material: the byte a (the complement of a password byte,
    // 0 to 255, never sign-extended) mixed by column j, password position i,
    // repetition r and modulus c (5 to 19 in use). c = 0 returns a unchanged.
    static uint8_t MixKeyByte(uint8_t a, uint32_t j, uint32_t i, uint32_t r, uint32_t c);
};

}  // namespace kb
