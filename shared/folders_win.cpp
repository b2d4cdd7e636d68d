#include <windows.h>

#include <string>

#include "shared/folders.h"

namespace kb {

bool FolderExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateOneFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

}  // namespace kb
