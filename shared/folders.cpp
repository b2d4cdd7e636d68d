#include "shared/folders.h"

#include "shared/base/strutils.h"

namespace kb {

bool CreateFolderTree(const std::string& path) {
    if (path.empty()) return false;
    if (FolderExists(path)) return true;
    // Every level from the top down; failures of existing or root levels do not matter.
    for (size_t i = 1; i < path.size(); i += CharLengthAt(path, i))
        if ((path[i] == '\\' || path[i] == '/') && CharLengthAt(path, i) == 1 && path[i - 1] != ':')
            CreateOneFolder(path.substr(0, i));
    CreateOneFolder(path);
    return FolderExists(path);
}

}  // namespace kb
