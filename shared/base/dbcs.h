// Lead bytes of the system's ANSI code page, so path and string routines keep
// double-byte characters whole.
#pragma once
#include <cstddef>
#include <string_view>

namespace kb::platform {

// True when c starts a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char c);

#ifndef _WIN32
// The native build has no system code page; tests choose one. 932 (Japanese,
// lead bytes 0x81-0x9F and 0xE0-0xFC) or any other value (no lead bytes, the default).
void SetAnsiCodePageForTesting(int codePage);
#endif

}  // namespace kb::platform

namespace kb {

// Length of the character that starts at text[i]: 2 for a lead byte followed
// by another byte, else 1 (a lone lead byte at the end is one character).
inline size_t CharLengthAt(std::string_view text, size_t i) {
    return (platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}

}  // namespace kb
