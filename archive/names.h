// Stored entry names: folder creation and the readers' name comparison. A
// stored name is checked by kb::IsSafeName with its default options (no leading
// separator) before kb::JoinPath joins it to a folder. All of them keep
// double-byte characters whole.
#pragma once
#include <string>
#include <string_view>

#include "shared/base/paths.h"

namespace ark {

using kb::IsSafeName;
using kb::JoinPath;

// Creates every folder named by path up to its last separator, after the root
// ("X:\", "\\server\share\" or a leading separator). Failures are ignored.
void MakePathFolders(std::string_view path);

// Equal byte for byte except for the case of single-byte ASCII letters; the
// bytes of a double-byte character are compared exactly.
bool EqualIgnoringAsciiCase(std::string_view stored, std::string_view wanted);

// The system's locale-aware case-insensitive equality (lstrcmpiA on Windows).
bool EqualIgnoringCaseLocale(const char* a, const char* b);

}  // namespace ark
