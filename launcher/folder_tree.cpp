#include "launcher/folder_tree.h"

namespace kb::launcher {

void DeleteFolderTreeWith(const FolderTreeOps& ops, const std::string& folder) {
    for (const TreeEntry& entry : ops.list(folder)) {
        if (entry.name == "." || entry.name == "..") continue;
        const std::string path = folder + ops.separator + entry.name;
        if (entry.link)
            ops.removeLink(path, entry.folder);
        else if (entry.folder)
            DeleteFolderTreeWith(ops, path);
        else
            ops.removeFile(path);
    }
    ops.removeFolder(folder);
}

}  // namespace kb::launcher
