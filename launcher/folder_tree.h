// The walk that removes a folder tree, over the file system calls of the
// platform: a link (junction or symbolic link) is removed itself and never
// entered, so nothing outside the tree is ever touched.
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
    // Removes an empty folder, or a link itself.
    std::function<void(const std::string& path, bool folderLink)> removeLink;
    std::function<void(const std::string& folder)> removeFolder;
    char separator = '\\';
};

// Removes folder and everything below it; what cannot be removed stays.
void DeleteFolderTreeWith(const FolderTreeOps& ops, const std::string& folder);

}  // namespace kb::launcher
