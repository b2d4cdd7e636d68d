// Texts of the launcher's settings file: the unquoting every value passes
// through, the integer conversion, and the one safe way to put an argument
// into a text that came from the file.
#pragma once
#include <string>
#include <string_view>

namespace kb::launcher {

// The launcher's own unquoting of a value read from "Dremlin.ini", byte by byte:
// - fewer than 2 bytes: unchanged;
// - a leading double quote is dropped and makes the value quoted;
// - inside a quoted value a double quote takes the next byte along: two double
//   quotes give one, any other pair is copied whole; a pair that takes the last
//   byte ends the scan;
// - a last double quote of a quoted value is dropped, unless it is the trail
//   byte of a double-byte character (lead bytes from shared/platform/dbcs.h).
std::string UnquoteIniValue(std::string_view value);

// The runtime's decimal conversion: leading white space, an optional sign,
// digits; it stops at the first other byte; no digits give 0. A value beyond
// the int range saturates to INT_MAX or INT_MIN instead of being undefined.
int IniTextToInt(std::string_view text);

// What the integer reader does with the text the string reader gave (already
// unquoted once): unquote once more, then IniTextToInt.
int IniValueToInt(std::string_view readValue);

// The text an integer reader passes as the string reader's default ("%d").
std::string IniIntDefaultText(int value);

// text with its first "%s" replaced by arg and each "%%" by "%"; every other
// "%" sequence ("%d", "%n", a second "%s", a lone "%" at the end) is copied as
// it stands. Double-byte characters are taken whole, so a trail byte 0x25 is
// never read as "%". Texts come from a disc's file: nothing in text can make
// this read beyond text and arg or write anything but the result.
std::string FormatOneArg(std::string_view text, std::string_view arg);

}  // namespace kb::launcher
