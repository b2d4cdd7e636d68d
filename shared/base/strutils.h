// Double-byte-aware string routines of the single-byte ANSI strings the system
// uses: none of them splits a lead byte from its trail byte (the lead bytes of
// the system code page come from shared/base/dbcs.h).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "shared/base/dbcs.h"

namespace kb {

// The bytes of buffer up to its first zero byte, at most length bytes.
std::string GetString(const char* buffer, size_t length);

// Zeroes length + 1 bytes of buffer, then copies text: at most length bytes,
// shortened by one when the last byte would be a lead byte without its trail.
// buffer must hold length + 1 bytes.
void SetString(char* buffer, size_t length, std::string_view text);

// Drops the ideographic space 0x81 0x40 from the front while it stands there,
// then from the end while it stands there as a whole character, then blanks and
// control characters (bytes up to 0x20) from both ends.
std::string TrimEx(std::string_view text);

// The first n characters of text, a double-byte character counting as one.
std::string GetShotenStr(std::string_view text, int n);

// The first n bytes of text, plus the next byte when it is the trail byte of a
// double-byte character (n + 1 bytes then).
std::string LeftStr(std::string_view text, int n);

// The characters before the first single-byte backslash; the whole text when
// there is none (a trail byte 0x5C does not end the name).
std::string GetTopFolderName(std::string_view path);

// text without as many leading bytes as prefix has (prefix is not compared);
// empty when text is not longer than prefix.
std::string ExcludeLeft(std::string_view text, std::string_view prefix);

}  // namespace kb
