#include "launcher/folder_tree.h"

namespace kb::launcher {

namespace {

void RemoveBelow(const FolderTreeOps& ops, const std::string& folder) {
    for (const TreeEntry& entry : ops.list(folder)) {
        if (entry.name == "." || entry.name == "..") continue;
        const std::string path = folder + ops.separator + entry.name;
        if (entry.link)
            ops.removeLink(path, entry.folder);
        else if (entry.folder)
            RemoveBelow(ops, path);
        else
            ops.removeFile(path);
    }
    ops.removeFolder(folder);
}

}  // namespace

void DeleteFolderTreeWith(const FolderTreeOps& ops, const std::string& folder) {
    // The work folder may have been replaced by a link to a folder of the
    // user's: nothing is removed through it.
    if (!ops.isLink || ops.isLink(folder)) return;
    RemoveBelow(ops, folder);
}

}  // namespace kb::launcher
