// The classic C runtime pseudo-random generator, kept as our own copy so every
// build draws the same numbers from the same seed.
#pragma once
#include <cstdint>

namespace kb {

// state = state * 214013 + 2531011 (mod 2^32); each draw is bits 16 to 30 of the
// new state, 0 to 32767. Not for secrets: it only scatters header bytes.
class CrtRandom {
public:
    static constexpr int kMax = 0x7FFF;

    // A fresh generator starts from seed 1, as the C runtime does before srand.
    CrtRandom() = default;
    explicit CrtRandom(uint32_t seed) : state_(seed) {}

    // Restarts the sequence (the runtime's srand).
    void Seed(uint32_t seed) { state_ = seed; }

    // The next number, 0 to kMax (the runtime's rand).
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_ = 1;
};

}  // namespace kb
