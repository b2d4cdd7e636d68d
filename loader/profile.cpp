#include "loader/profile.h"

#include <cstdint>
#include <limits>

namespace kb::loader {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseProfileInteger(const std::string& text, int& value) {
    // Leading blanks are allowed (a quoted value keeps them), trailing ones not.
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return false;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (d < 0) return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (hex) {
        // The 32-bit pattern: $FFFFFFFF is -1.
        const uint32_t bits = static_cast<uint32_t>(magnitude);
        value = static_cast<int32_t>(negative ? 0u - bits : bits);
        return true;
    }
    const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
    if (static_cast<int64_t>(magnitude) > limit) return false;
    value = static_cast<int>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
    return true;
}

int ReadProfileInteger(const ProfileReader& reader, const std::string& section, const std::string& key,
                       int defaultValue) {
    int value = defaultValue;
    return ParseProfileInteger(reader.ReadString(section, key, ""), value) ? value : defaultValue;
}

}  // namespace kb::loader
