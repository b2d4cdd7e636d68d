// Turns a path into a name that can be stored as one relative file name.
#pragma once

namespace kb {

// Converts path in place, byte by byte up to its terminating zero: each of
// \ / , ; * ? " < > | becomes _ % ^ = + $ ~ [ ] ! in that order, and ":" becomes a
// backslash, so C:\dir\f?.txt becomes C\_dir_f$.txt. A byte from 0x80 to 0x9F or
// from 0xE0 to 0xFF starts a double-byte character: it and the byte after it stay
// as they are (fixed ranges, whatever the code page, so a stored name converts the
// same on every machine). The walk never passes the terminating zero, not even
// after a lead byte in the last position.
// Returns the lead byte (0x80 to 0xFF) when the path ends with a double-byte
// character (or a lone lead byte), else 0; a null path is left alone and gives 0.
int ConvertFilePath(char* path);

}  // namespace kb
