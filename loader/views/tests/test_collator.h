// A fixed stand-in for the platform's word-sort comparison in native tests:
// blank lowest, then other punctuation, digits, letters without regard to
// case; lower case first where the texts differ only in case. It agrees with
// the product's order on the rows these tests use (pinned under Wine).
#pragma once
#include <string>

namespace kb::loader::testing {

inline int WordWeight(unsigned char c) {
    if (c == ' ') return 0;
    if (c >= '0' && c <= '9') return 0x200 + c;
    if (c >= 'a' && c <= 'z') return 0x300 + (c - 'a') * 2;
    if (c >= 'A' && c <= 'Z') return 0x300 + (c - 'A') * 2;
    if (c >= 0x80) return 0x400 + c;
    return 0x100 + c;
}

inline int TestCollate(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int wa = WordWeight(static_cast<unsigned char>(a[i])), wb = WordWeight(static_cast<unsigned char>(b[i]));
        if (wa != wb) return wa < wb ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < n; ++i) {
        const bool la = a[i] >= 'a' && a[i] <= 'z', lb = b[i] >= 'a' && b[i] <= 'z';
        if (la != lb) return la ? -1 : 1;
    }
    return 0;
}

// Keeps the rows in the order they were added.
inline int KeepOrder(const std::string&, const std::string&) { return 0; }

}  // namespace kb::loader::testing
