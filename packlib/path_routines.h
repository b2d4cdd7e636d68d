// Path routines of the pack library. All of them walk strings character by
// character in the system ANSI code page, so a double-byte character whose trail
// byte is 0x5C is never taken for a backslash.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "shared/base/paths.h"

namespace kb::pack {

// The file name of path with its extension: everything after the last backslash
// or slash (and after a leading drive letter with its colon). A path ending in a
// separator gives "".
std::string GetFileNamePart(const std::string& path);

// Removes the folders a job created, in the order they were created (each
// above the next), last first. A folder that is not empty stays; a folder the
// job did not create is never in the list, so a user's empty one stays too.
void RemoveCreatedFolders(const std::vector<std::string>& created);

// Entry names and the relative names callers give are checked by IsSafeName
// with these options: one leading backslash allowed (stored names carry one).
constexpr SafeNameOptions kRelativeNameOptions{.leadingSeparator = true, .maxLength = 0};

// Entry names compare by one rule in every build: single-byte A-Z fold to a-z; a
// double-byte character (lead byte by the system code page) compares as it is.
bool EntryNamesEqual(const char* a, const char* b);

// True when a container record stored as recordName belongs to the entry whose
// name, less its container suffix, is scope: the file scope itself, or a file
// inside the folder scope ("Folder\a" for "Folder", never "Folder2\a"). One
// leading separator of either is passed over; characters compare as
// EntryNamesEqual does, a single-byte "\" and "/" alike.
// An empty scope holds nothing.
bool RecordBelongsTo(std::string_view recordName, std::string_view scope);

// folder and name joined by JoinPath (one backslash between them); false when
// the result would pass kMaxPathLength.
bool BuildEntryPath(const std::string& folder, const std::string& name, std::string* path);

// The folders that name's folder part names under folder, outermost first
// (folder\a, then folder\a\b for a\b\c.txt), each joined by BuildEntryPath.
// Empty when name is not safe or a joined folder would be too long.
std::vector<std::string> EntryFolderPaths(const std::string& folder, const std::string& name);

}  // namespace kb::pack
