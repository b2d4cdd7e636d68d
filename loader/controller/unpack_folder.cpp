#include "loader/controller/unpack_folder.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "loader/path_csv.h"
#include "shared/base/fs.h"

namespace kb::loader {
namespace {

constexpr int kMaxNames = 9999;

bool IsFolder(const std::string& path) {
    uint32_t attributes = 0;
    return fs::GetAttributes(path, &attributes) && (attributes & fs::kAttrDirectory);
}

void RemoveTree(const std::string& folder) {
    std::vector<fs::DirEntry> entries;
    if (fs::ListFolder(folder, &entries)) {
        for (const fs::DirEntry& e : entries) {
            const std::string path = folder + "\\" + e.name;
            // A link is removed as itself, never followed.
            if ((e.attributes & fs::kAttrDirectory) && !(e.attributes & fs::kAttrReparsePoint)) {
                RemoveTree(path);
                continue;
            }
            if (e.attributes & fs::kAttrReadOnly) fs::SetAttributes(path, e.attributes & ~fs::kAttrReadOnly);
            if (!fs::RemoveFile(path)) fs::RemoveFolder(path);
        }
    }
    fs::RemoveFolder(folder);
}

}  // namespace

std::string UnpackFolder::Make() {
    if (path_.empty()) {
        const std::string base = ExcludeTrailingBackslash(workFolder_);
        if (base.empty() || (!IsFolder(base) && !fs::CreateFolderTree(base))) return {};
        for (int n = 0; n <= kMaxNames && path_.empty(); ++n) {
            char name[16];
            std::snprintf(name, sizeof name, "~ini%.4d", n);
            const std::string candidate = base + "\\" + name;
            if (fs::Exists(candidate)) continue;
            if (fs::CreateFolder(candidate)) path_ = candidate;
            else if (!fs::Exists(candidate)) return {};  // the work folder refuses new folders
        }
        if (path_.empty()) return {};
    }
    return path_ + "\\";
}

void UnpackFolder::Remove() {
    if (path_.empty()) return;
    RemoveTree(path_);
    path_.clear();
}

}  // namespace kb::loader
