// The launcher's settings file "Dremlin.ini" through the platform's profile
// reader, its message table, and the small file and folder helpers the
// launcher shares.
#pragma once

#include <string>

#include "launcher/message_table.h"

namespace kb::launcher {

// The value of key in section of the profile file at path (a full path), read
// into 1,024 bytes (a longer value is cut to 1,023 by the reader), then
// unquoted; def when the key is missing or the file cannot be read.
std::string ReadIniString(const std::string& path, const char* section, const char* key, const char* def);
// The same value as a number: def is the reader's default, written "%d"; a
// value that is no number gives 0, an empty value too.
int ReadIniInt(const std::string& path, const char* section, const char* key, int def);


// path without its last byte when that is a backslash (searched double-byte
// aware, so a trail byte 0x5C stays).
std::string StripTrailingBackslash(const std::string& path);
// True when path, less one trailing backslash, names an existing entry that
// is not a folder.
bool IsExistingFile(const std::string& path);
// The drive and folder parts of path, with the folder's trailing backslash.
std::string GetModuleFolder(const std::string& path);
// The platform's temp path (ending in a backslash), read into 260 bytes;
// empty when it cannot be read.
std::string GetTempFolder();

}  // namespace kb::launcher
