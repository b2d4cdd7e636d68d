#include "packlib/key_expander.h"

#include <cmath>
#include <cstring>
#include <new>

namespace kb {
namespace {

// Exchanges two bit groups of the given width, each keeping its own bit order.
uint8_t SwapGroups(uint32_t a, unsigned width, unsigned lowA, unsigned lowB) {
    const uint32_t mask = (1u << width) - 1;
    const uint32_t ga = (a >> lowA) & mask;
    const uint32_t gb = (a >> lowB) & mask;
    a &= ~((mask << lowA) | (mask << lowB));
    a |= (ga << lowB) | (gb << lowA);
    return static_cast<uint8_t>(a);
}

// The named groups: swap(1-0, 3-2) is Swap2(a, 0, 2), swap(2-0, 7-5) is Swap3(a, 0, 5).
uint8_t Swap2(uint32_t a, unsigned lowA, unsigned lowB) { return SwapGroups(a, 2, lowA, lowB); }
uint8_t Swap3(uint32_t a, unsigned lowA, unsigned lowB) { return SwapGroups(a, 3, lowA, lowB); }

uint8_t Flip(uint32_t a, uint64_t bit) { return static_cast<uint8_t>(a ^ (1u << bit)); }

uint8_t ClearPair(uint32_t a, uint64_t k, uint64_t x) {
    const uint32_t bits = (x % 2 != 0) ? ((0x80u >> k) | (0x40u >> k)) : (3u << k);
    return static_cast<uint8_t>(a & ~bits);
}

uint8_t Shl(uint32_t a, uint64_t n) { return n >= 8 ? 0 : static_cast<uint8_t>((a << n) & 0xFF); }
uint8_t Shr(uint32_t a, uint64_t n) { return n >= 8 ? 0 : static_cast<uint8_t>(a >> n); }

uint64_t IntegerSqrt(uint64_t x) {
    uint64_t t = static_cast<uint64_t>(std::sqrt(static_cast<double>(x)));
    while (t > 0 && t * t > x)
        --t;
    while ((t + 1) * (t + 1) <= x)
        ++t;
    return t;
}

}  // namespace

uint32_t CKeyExpander::DataKeyRepetitions(size_t length) {
    return length == 0 ? 0 : static_cast<uint32_t>(2048 / length);
}

uint8_t CKeyExpander::MixKeyByte(uint8_t a, uint32_t j, uint32_t i, uint32_t r, uint32_t c) {
    if (c == 0)
        return a;
    // 64-bit sums: no wrap for any argument values.
    const uint64_t x = uint64_t{j} + i + r;
    const uint64_t f = uint64_t{i} + r;
    const uint32_t v = a;  // the byte as 0 to 255; a signed char here would change the key
    switch (x % 15) {
    case 0: {
        const uint64_t m = x % c;
        if (m == 0) return Swap3(v, 1, 4);
        if (m == 1) return Swap3(v, 0, 5);
        return Shl(v, m);
    }
    case 1:
        return ClearPair(v, IntegerSqrt(x) % 7, x);
    case 2:
        return Flip(v, x % 8);
    case 3:
        return ClearPair(v, f % 7, x);
    case 4: {
        const uint64_t m = x % c;
        if (m == 0) return Swap3(v, 0, 5);
        if (m == 1) return Swap3(v, 1, 4);
        if (m == 2) return Swap2(v, 0, 2);
        const uint64_t h = c > 8 ? f % 8 : f % c;
        return v >= (1u << h) ? Shr(v, h) : Shl(v, h);
    }
    case 5: {
        const uint64_t m = f % c;
        if (m == 0) return Flip(v, x % 8);
        if (m == 1) return Swap3(v, 1, 4);
        if (m == 2) return Swap3(v, 0, 5);
        if (m == 3) return Swap2(v, 0, 2);
        return c > 8 ? Shr(v, f % 8) : Shr(v, m);
    }
    case 6: {
        const uint64_t m = x % c;
        switch (m) {
        case 0: return Swap2(v, 2, 4);
        case 1: return Flip(v, (uint64_t{i} + 3 * uint64_t{r}) % 8);
        case 2: return static_cast<uint8_t>(v & 0x99);
        case 3: return Swap2(v, 0, 2);
        case 4: return static_cast<uint8_t>(v & 0x44);
        case 5: return static_cast<uint8_t>(v & 0x4F);
        default: return c > 8 ? Shl(v, (uint64_t{i} + 2 * uint64_t{r}) % 8) : Shl(v, f % c);
        }
    }
    case 7:
        return Flip(v, x % 8);
    case 8: {
        const uint64_t m = f % c;
        if (m == 0) return Swap2(v, 4, 6);
        if (m == 1) return static_cast<uint8_t>(v & 0x6F);
        if (m == 2) return Flip(v, i % 8);
        // Mixes f and x on purpose: the OR takes x % c, not m.
        return Swap2((v | (x % c)) & 0xFF, 2, 6);
    }
    case 10: {
        const uint64_t m = x % c;
        if (m == 0) return Swap2(v, 0, 6);
        if (m == 1) return Swap3(v & 0x6F, 1, 4);
        if (m == 2) return static_cast<uint8_t>(Flip(v, i % 8) & 0x99);
        return Swap2((v | m) & 0xFF, 2, 6);
    }
    case 12: {
        const uint64_t m = x % c;
        if (m == 0) return Swap2(v, 2, 6);
        if (m == 1) return Swap3(Swap2(Swap2(v, 0, 6), 4, 6), 0, 5);
        if (m == 2) return Swap3(v & 0x6F, 1, 4);
        return Swap2(Flip(v, i % 8) & 0x99, 2, 6);
    }
    case 13: {
        const uint64_t m = f % (uint64_t{r} + c);
        if (m == 0) return Swap2(Swap2(v, 0, 4), 2, 6);
        if (m == 1) return static_cast<uint8_t>(Swap2(v, 0, 6) & 0xCF);
        if (m == 2) return Swap3(v & 0x8F, 1, 4);
        return static_cast<uint8_t>(Flip(v, x % 8) & 0xFC);
    }
    default:  // 9, 11 and 14 keep the byte
        return a;
    }
}

bool CKeyExpander::ExpandKeyMaterial(const char* password, uint32_t n, uint32_t w,
                                     std::vector<uint8_t>& out) const {
    out.clear();
    if (password == nullptr || n == 0 || w == 0)
        return false;
    const size_t length = strnlen(password, kMaxPasswordLength + 1);
    if (length == 0 || length > kMaxPasswordLength)
        return false;
    // At most 2^32 * 255 * 2^32 in 64 bits would wrap; refuse anything beyond 1 GiB.
    const uint64_t size = uint64_t{n} * length * w;
    if (uint64_t{n} * w > (uint64_t{1} << 30) || size > (uint64_t{1} << 30))
        return false;
    try {
        out.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    size_t index = 0;
    for (uint32_t r = 0; r < n; ++r) {
        const uint32_t c = (r % w) + 5;
        for (uint32_t i = 0; i < length; ++i) {
            const uint8_t a = static_cast<uint8_t>(~static_cast<unsigned char>(password[i]));
            for (uint32_t j = 0; j < w; ++j)
                out[index++] = MixKeyByte(a, j, i, r, c);
        }
    }
    return true;
}

}  // namespace kb
