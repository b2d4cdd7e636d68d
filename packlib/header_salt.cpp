#include "packlib/header_salt.h"

#include <ctime>

namespace kb {

int64_t CHeaderSalt::SystemSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

CHeaderSalt::CHeaderSalt(SecondsClock clock) : clock_(clock != nullptr ? clock : &SystemSeconds) {}

uint8_t CHeaderSalt::MakePositionSalt(uint8_t* salt8) {
    // The runtime's srand takes an unsigned int: only the low 32 bits of the time count.
    random_.Seed(static_cast<uint32_t>(clock_()));
    const uint8_t position = static_cast<uint8_t>(random_.Next() % 256);
    for (size_t k = 0; k < kSaltSize; ++k) {
        unsigned bits = (position >> (7 - k)) & 1u;
        for (int b = 0; b < 7; ++b)
            bits = (bits << 1) | static_cast<unsigned>(random_.Next() % 2);
        salt8[k] = static_cast<uint8_t>(bits);
    }
    return position;
}

uint8_t CHeaderSalt::ReadSaltPosition(const uint8_t* salt8) {
    unsigned position = 0;
    for (size_t k = 0; k < kSaltSize; ++k)
        position = (position << 1) | ((salt8[k] >> 7) & 1u);
    return static_cast<uint8_t>(position);
}

void CHeaderSalt::MakeRoundsBlock(uint8_t* block256, const uint8_t* salt8, uint8_t rounds) {
    const uint8_t position = ReadSaltPosition(salt8);
    for (size_t index = 0; index < kRoundsBlockSize; ++index)
        block256[index] = index == position ? rounds : static_cast<uint8_t>(random_.Next() % 256);
}

}  // namespace kb
