// Folder collection for compression and folder creation for extraction.
#include "packlib/folder_walk.h"

#include <algorithm>

#include "shared/base/fs.h"
#include "shared/base/dbcs.h"

namespace kb::pack {
namespace {

void Collect(const std::string& folder, std::vector<std::string>* files,
             const std::vector<std::string>& excluded) {
    std::vector<fs::DirEntry> entries;
    if (!fs::ListFolder(folder, &entries)) return;
    for (const fs::DirEntry& e : entries) {
        const std::string path = ChildPath(folder, e.name);
        if (e.attributes & fs::kAttrDirectory) {
            // A junction or link back up the tree would recurse without end.
            if (!(e.attributes & fs::kAttrReparsePoint)) Collect(path, files, excluded);
            continue;
        }
        if (std::find(excluded.begin(), excluded.end(), path) == excluded.end()) files->push_back(path);
    }
}

}  // namespace

std::string ChildPath(const std::string& root, const std::string& name) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < root.size(); i += CharLengthAt(root, i)) last = i;
    const bool separated = last != std::string::npos && CharLengthAt(root, last) == 1 &&
                           (root[last] == '\\' || root[last] == '/');
    return separated ? root + name : root + "\\" + name;
}

size_t CollectFolderFiles(const std::string& folder, std::vector<std::string>* files,
                          const std::vector<std::string>& excluded) {
    if (!folder.empty()) Collect(folder, files, excluded);
    return files->size();
}

void CreateFolderPath(const std::string& recordName, const std::string& fullPath) {
    if (recordName.size() > fullPath.size()) return;
    const size_t destLength = fullPath.size() - recordName.size();
    size_t i = (!recordName.empty() && recordName[0] == '\\') ? 1 : 0;
    while (i < recordName.size()) {
        const size_t n = CharLengthAt(recordName, i);
        if (n == 1 && recordName[i] == '\\') fs::CreateFolder(fullPath.substr(0, destLength + i));
        i += n;
    }
}

}  // namespace kb::pack
