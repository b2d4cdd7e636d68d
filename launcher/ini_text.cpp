#include "launcher/ini_text.h"

#include <climits>
#include <cstdint>

#include "shared/base/strutils.h"

namespace kb::launcher {
namespace {

constexpr char kQuote = '"';

// True when text[i] is the second byte of a double-byte character, counted
// whole characters from the start.
bool IsTrailByteAt(std::string_view text, size_t i) {
    size_t at = 0;
    while (at < i) {
        size_t len = CharLengthAt(text, at);
        if (at + len > i) return true;
        at += len;
    }
    return false;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::string UnquoteIniValue(std::string_view value) {
    const size_t n = value.size();
    if (n < 2) return std::string(value);
    std::string out;
    out.reserve(n);
    const bool quoted = value[0] == kQuote;
    if (!quoted) out.push_back(value[0]);
    size_t i = 1;
    while (i + 1 < n) {
        if (quoted && value[i] == kQuote) {
            // The pair may take the last byte; then the scan ends with it.
            if (value[i + 1] == kQuote)
                out.push_back(kQuote);
            else
                out.append(value.substr(i, 2));
            i += 2;
            if (i >= n) return out;
            continue;
        }
        out.push_back(value[i]);
        ++i;
    }
    const size_t last = n - 1;
    if (!(quoted && value[last] == kQuote && !IsTrailByteAt(value, last))) out.push_back(value[last]);
    return out;
}

int IniTextToInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // One past INT_MAX is the magnitude of INT_MIN; anything larger saturates.
    const int64_t limit = negative ? -static_cast<int64_t>(INT_MIN) : INT_MAX;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) {
            magnitude = limit;
            break;
        }
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

int IniValueToInt(std::string_view readValue) { return IniTextToInt(UnquoteIniValue(readValue)); }

std::string IniIntDefaultText(int value) { return std::to_string(value); }

std::string FormatOneArg(std::string_view text, std::string_view arg) {
    std::string out;
    out.reserve(text.size() + arg.size());
    bool argUsed = false;
    size_t i = 0;
    while (i < text.size()) {
        const size_t len = CharLengthAt(text, i);
        if (len == 1 && text[i] == '%' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '%') {
                out.push_back('%');
                i += 2;
                continue;
            }
            if (next == 's' && !argUsed) {
                out.append(arg);
                argUsed = true;
                i += 2;
                continue;
            }
        }
        out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

}  // namespace kb::launcher
