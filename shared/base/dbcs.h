// Lead bytes of the system's ANSI code page, so path and string routines keep
// double-byte characters whole.
#pragma once

namespace kb::platform {

// True when c starts a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char c);

#ifndef _WIN32
// The native build has no system code page; tests choose one. 932 (Japanese,
// lead bytes 0x81-0x9F and 0xE0-0xFC) or any other value (no lead bytes, the default).
void SetAnsiCodePageForTesting(int codePage);
#endif

}  // namespace kb::platform
