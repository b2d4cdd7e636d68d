// Stored entry names: the one safety check before a name is joined to a
// folder, path joining and folder creation, and the readers' name comparison.
// All of them keep double-byte characters whole.
#pragma once
#include <string>
#include <string_view>

namespace ark {

// False for a stored name that could leave the folder it is joined to: empty,
// starting with "\" or "/", holding ":", or with a component (split at single-
// byte "\" or "/") made only of dots and spaces (this includes "..", "." and
// empty components).
bool IsSafeEntryName(std::string_view name);

// folder, a backslash unless folder ends with one, name.
std::string JoinPath(std::string_view folder, std::string_view name);

// Creates every folder named by path up to its last separator, after the root
// ("X:\", "\\server\share\" or a leading separator). Failures are ignored.
void MakePathFolders(std::string_view path);

// Equal byte for byte except for the case of single-byte ASCII letters; the
// bytes of a double-byte character are compared exactly.
bool EqualIgnoringAsciiCase(std::string_view stored, std::string_view wanted);

// The system's locale-aware case-insensitive equality (lstrcmpiA on Windows).
bool EqualIgnoringCaseLocale(const char* a, const char* b);

}  // namespace ark
