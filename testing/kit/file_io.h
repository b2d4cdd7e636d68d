// Whole-file reads and writes for tests, on paths in Windows syntax (through the
// A-functions on Windows, so double-byte names follow the ANSI code page).
#pragma once
#include <string>
#include <vector>

namespace kb::testing {

// The bytes of the file at path; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// The file at path becomes bytes (created or truncated); false on any failure.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// The bytes of the file at path, or "<missing>" when it cannot be read.
std::string ReadAll(const std::string& path);

bool FileExists(const std::string& path);

// The names in a folder, sorted.
std::vector<std::string> Listing(const std::string& folder);

// path for the C++ library's own file functions: "\" becomes "/" natively,
// double-byte characters kept whole.
std::string NativePath(const std::string& path);

}  // namespace kb::testing
