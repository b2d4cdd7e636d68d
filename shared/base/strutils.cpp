#include "shared/base/strutils.h"

#include <cstring>

namespace kb {

std::string GetString(const char* buffer, size_t length) {
    if (!buffer) return {};
    const void* zero = std::memchr(buffer, 0, length);
    return std::string(buffer, zero ? static_cast<const char*>(zero) - buffer : length);
}

void SetString(char* buffer, size_t length, std::string_view text) {
    if (!buffer) return;
    std::memset(buffer, 0, length + 1);
    size_t n = 0;
    while (n < text.size()) {
        size_t step = CharLengthAt(text, n);
        if (n + step > length) break;
        n += step;
    }
    std::memcpy(buffer, text.data(), n);
}

std::string TrimEx(std::string_view text) {
    constexpr char kSpace0 = '\x81', kSpace1 = '\x40';
    size_t begin = 0;
    while (text.size() - begin >= 2 && text[begin] == kSpace0 && text[begin + 1] == kSpace1) begin += 2;
    std::string_view rest = text.substr(begin);
    // Character starts from the front, so only a whole 0x81 0x40 is dropped at
    // the end, never a trail byte 0x81 followed by '@'.
    size_t end = rest.size();
    for (;;) {
        size_t lastStart = std::string_view::npos;
        for (size_t i = 0; i < end; i += CharLengthAt(rest.substr(0, end), i)) lastStart = i;
        if (lastStart == std::string_view::npos || end - lastStart != 2 || rest[lastStart] != kSpace0 ||
            rest[lastStart + 1] != kSpace1)
            break;
        end = lastStart;
    }
    rest = rest.substr(0, end);
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    size_t b = 0, e = rest.size();
    while (b < e && blank(rest[b])) ++b;
    while (e > b && blank(rest[e - 1])) --e;
    return std::string(rest.substr(b, e - b));
}

std::string GetShotenStr(std::string_view text, int n) {
    size_t i = 0;
    for (int count = 0; count < n && i < text.size(); ++count) i += CharLengthAt(text, i);
    return std::string(text.substr(0, i));
}

std::string LeftStr(std::string_view text, int n) {
    if (n <= 0) return {};
    const size_t want = static_cast<size_t>(n);
    if (want >= text.size()) return std::string(text);
    size_t i = 0;
    while (i < want) i += CharLengthAt(text, i);  // ends at want, or want + 1 inside a character
    return std::string(text.substr(0, i));
}

std::string GetTopFolderName(std::string_view path) {
    size_t i = 0;
    while (i < path.size() && path[i] != '\\') i += CharLengthAt(path, i);
    return std::string(path.substr(0, i));
}

std::string ExcludeLeft(std::string_view text, std::string_view prefix) {
    if (text.size() <= prefix.size()) return {};
    return std::string(text.substr(prefix.size()));
}

}  // namespace kb
