// The random PositionSalt and RoundsBlock of a new pack header, and the position of
// the rounds value when a header is read back.
#pragma once
#include <cstddef>
#include <cstdint>

#include "packlib/crt_random.h"

namespace kb {

class CHeaderSalt {
public:
    static constexpr size_t kSaltSize = 8;
    static constexpr size_t kRoundsBlockSize = 256;

    // Seconds since 1970-01-01 UTC, as the C runtime's time() gives them.
    using SecondsClock = int64_t (*)();
    // The system clock (std::time).
    static int64_t SystemSeconds();

    // clock: where MakePositionSalt reads the time; null means SystemSeconds.
    // The object owns its random generator (seeded 1 until MakePositionSalt), so
    // make the salt and then the block with the same object.
    explicit CHeaderSalt(SecondsClock clock = nullptr);
    CHeaderSalt(const CHeaderSalt&) = delete;
    CHeaderSalt& operator=(const CHeaderSalt&) = delete;
    virtual ~CHeaderSalt() = default;

    // Seeds the generator with the clock's seconds (low 32 bits), draws the
    // position P = next % 256 and writes the 8 salt bytes: the top bit of byte k
    // is bit 7 - k of P, the lower 7 bits are the next draws % 2, first draw in
    // bit 6. Returns P. salt8: caller's 8 bytes. Cannot fail.
    uint8_t MakePositionSalt(uint8_t* salt8);

    // P from the top bits of the 8 salt bytes (byte 0 the most significant).
    static uint8_t ReadSaltPosition(const uint8_t* salt8);

    // block256: caller's 256 bytes; byte ReadSaltPosition(salt8) becomes rounds, every
    // other byte the next draw % 256 in index order (255 draws, no reseed). Cannot fail.
    void MakeRoundsBlock(uint8_t* block256, const uint8_t* salt8, uint8_t rounds);

private:
    SecondsClock clock_;
    CrtRandom random_;
};

}  // namespace kb
