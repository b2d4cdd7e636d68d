// Windows-syntax paths in the ANSI code page: the path limit, the one check of
// a stored name before it is joined to a folder, and joining. Every routine
// walks whole characters, so a trail byte 0x5C is never taken for a backslash.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kb {

// Longest path the libraries build or accept: 259 characters and a zero.
constexpr size_t kMaxPathLength = 259;

// What a stored name may carry beyond the common rules.
struct SafeNameOptions {
    // One leading "\" is allowed (pack and container names carry one).
    bool leadingSeparator = false;
    // Longest name in bytes; 0 sets no limit of its own.
    size_t maxLength = 0;
};

// True when name stays inside the folder it is joined to and names there the
// file it reads as: not empty; no zero byte, ':' or '/' (stored names separate
// with backslashes only); no leading backslash unless allowed (never two); and
// no component that is empty, ends in a dot or a blank ("." and ".." among
// them: the system drops those), ends in a lead byte or holds one before a
// byte that is no trail byte, or is a device name (CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM0-9, LPT0-9; any case, before any extension or blanks). Walks
// whole characters: a trail byte 0x5C is no separator. Every layer that turns
// a stored name into a path checks it here.
bool IsSafeName(std::string_view name, SafeNameOptions options = {});

// True when the last character of path is a single-byte backslash.
bool EndsWithBackslash(std::string_view path);

// path itself when it ends with a backslash, else path and one; "" gives "\".
std::string AddTrailingBackslash(std::string_view path);

// folder, one backslash, name: a backslash that ends folder or starts name is
// not doubled.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder part of path up to and including its last separator ("\" or
// "/"); empty when there is none.
std::string FolderOf(std::string_view path);

// An absolute path spelt as the system spells its full form: components
// between single-byte separators ("\\" or "/", walked character by character,
// so a trail byte 0x5C separates nothing), "." and empty ones dropped, ".."
// taking the one before it away (never the root), joined by backslashes after
// a leading one; a separator that ends path ends the result too. The native
// file seam's FullPath; on Windows the system folds the same way.
std::string FoldAbsolutePath(std::string_view path);

}  // namespace kb
