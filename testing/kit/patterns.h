// Test data whose bytes differ from position to position, so misplaced or
// dropped chunks show, and which compresses poorly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kb::testing {

// n bytes from a generator seeded with seed; equal arguments, equal bytes.
inline std::string Pattern(size_t n, uint32_t seed = 1) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>(x >> 24);
    }
    return s;
}

}  // namespace kb::testing
