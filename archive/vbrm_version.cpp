#include "archive/vbrm_version.h"

#include <cstdint>
#include <cstdio>
#include <limits>

#include "shared/base/strutils.h"

namespace ark::vbrm {
namespace {

// The values of the first kVersionParts parts of text.
void SplitVersion(std::string_view text, uint64_t (&parts)[kVersionParts]) {
    for (auto& p : parts) p = 0;
    size_t start = 0;
    for (int part = 0; part < kVersionParts && start <= text.size(); ++part) {
        size_t end = text.find('.', start);
        if (end == std::string_view::npos) end = text.size();
        uint64_t value = 0;
        for (size_t i = start; i < end && text[i] >= '0' && text[i] <= '9'; ++i) {
            const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
            // A part of more digits than 64 bits hold saturates: it stays the
            // largest value instead of wrapping to a small one.
            if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
                value = std::numeric_limits<uint64_t>::max();
                break;
            }
            value = value * 10 + digit;
        }
        parts[part] = value;
        if (end == text.size()) break;
        start = end + 1;
    }
}

}  // namespace

int CompareVersions(std::string_view installed, std::string_view archive) {
    uint64_t a[kVersionParts], b[kVersionParts];
    SplitVersion(installed, a);
    SplitVersion(archive, b);
    for (int i = 0; i < kVersionParts; ++i) {
        if (a[i] < b[i]) return kInstalledOlder;
        if (a[i] > b[i]) return kInstalledNewer;
    }
    return kVersionsSame;
}

std::string BoundVersionText(std::string_view text) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t len = kb::CharLengthAt(text, end);
        if (end + len > kVersionTextMax) break;
        end += len;
    }
    return std::string(text.substr(0, end));
}

std::string FormatTranslation(unsigned language, unsigned codePage) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x%04x", language & 0xFFFFu, codePage & 0xFFFFu);
    return text;
}

}  // namespace ark::vbrm
