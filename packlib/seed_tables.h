// The three seed tables of the pack keystreams. Their bytes are part of the pack
// format: every encrypted pack ever written depends on them, so they never change.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kb {

constexpr size_t kHeaderSeedSize = 256;
constexpr size_t kNameSeedSize = 512;
constexpr size_t kLengthSeedSize = 32;

extern const uint8_t kHeaderSeed[kHeaderSeedSize];
extern const uint8_t kNameSeed[kNameSeedSize];
extern const uint8_t kLengthSeed[kLengthSeedSize];

}  // namespace kb
