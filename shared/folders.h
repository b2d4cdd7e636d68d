// Creating a folder with every missing level above it (double-byte aware).
#pragma once
#include <string>

namespace kb {

// True when path is a folder afterwards.
bool CreateFolderTree(const std::string& path);

// The platform's two steps (Windows-syntax paths).
bool FolderExists(const std::string& path);
bool CreateOneFolder(const std::string& path);

}  // namespace kb
