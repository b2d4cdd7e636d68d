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
    // One leading "\" or "/" is allowed (pack and container names carry one).
    bool leadingSeparator = false;
    // Longest name in bytes; 0 sets no limit of its own.
    size_t maxLength = 0;
};

// True when name stays inside the folder it is joined to: not empty, no zero
// byte, no ':', no leading separator unless allowed (never two), no empty
// component and no component made only of dots and spaces ("." and ".."
// among them). Single-byte '\' and '/' separate components.
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

}  // namespace kb
