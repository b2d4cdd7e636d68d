// The walk that removes a folder tree, over the file system calls of the
// platform: a link (junction or symbolic link) is removed itself, never
// entered and its attributes never touched (on Windows they are its target's),
// so nothing outside the tree is ever touched; a folder that is itself a link
// is not removed at all.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace kb::launcher {

struct TreeEntry {
    std::string name;
    bool folder = false;
    bool link = false;  // a junction or symbolic link, to a folder or a file
};

struct FolderTreeOps {
    // The entries of folder ("." and ".." may be among them); empty when it cannot be listed.
    std::function<std::vector<TreeEntry>(const std::string& folder)> list;
    // Clears the attributes that would keep a file from going, then removes it.
    std::function<void(const std::string& path)> removeFile;
    // Removes a link itself, as it is: attributes are not changed.
    std::function<void(const std::string& path, bool folderLink)> removeLink;
    // Whether folder itself is a link (a junction or symbolic link).
    std::function<bool(const std::string& folder)> isLink;
    std::function<void(const std::string& folder)> removeFolder;
    char separator = '\\';
};

// Removes folder and everything below it; what cannot be removed stays. A
// folder that is a link, or cannot be told not to be one, is left as it is.
void DeleteFolderTreeWith(const FolderTreeOps& ops, const std::string& folder);

}  // namespace kb::launcher
