// Double-byte-aware path routines of the pack library.
#include "packlib/path_routines.h"

#include <algorithm>

#include "shared/base/dbcs.h"
#include "shared/base/fs.h"

namespace kb::pack {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The components of s between single-byte separators, walked character-wise.
std::vector<std::string> SplitComponents(const std::string& s) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < s.size();) {
        const size_t n = CharLengthAt(s, i);
        if (n == 1 && IsSeparator(s[i]))
            parts.emplace_back();
        else
            parts.back().append(s, i, n);
        i += n;
    }
    return parts;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string GetFileNamePart(const std::string& path) {
    const bool drive = path.size() >= 2 && path[1] == ':' && !platform::IsLeadByte(static_cast<unsigned char>(path[0]));
    const size_t start = std::max<size_t>(FolderOf(path).size(), drive ? 2 : 0);
    return start >= path.size() ? std::string() : path.substr(start);
}

bool EntryNamesEqual(const char* a, const char* b) {
    if (!a || !b) return a == b;
    size_t i = 0;
    for (;;) {
        const char ca = a[i];
        const char cb = b[i];
        if (ca == 0 || cb == 0) return ca == cb;
        if (platform::IsLeadByte(static_cast<unsigned char>(ca)) && a[i + 1] != 0) {
            if (ca != cb || a[i + 1] != b[i + 1]) return false;
            i += 2;
            continue;
        }
        if (FoldAscii(ca) != FoldAscii(cb)) return false;
        ++i;
    }
}

bool RecordBelongsTo(std::string_view recordName, std::string_view scope) {
    auto dropLeadingSeparator = [](std::string_view& s) {
        if (!s.empty() && IsSeparator(s[0])) s.remove_prefix(1);
    };
    dropLeadingSeparator(recordName);
    dropLeadingSeparator(scope);
    if (scope.empty()) return false;
    size_t i = 0;
    while (i < scope.size()) {
        if (i >= recordName.size()) return false;
        const size_t n = CharLengthAt(scope, i);
        if (CharLengthAt(recordName, i) != n) return false;
        if (n == 2) {
            if (recordName.substr(i, 2) != scope.substr(i, 2)) return false;
        } else if (!(IsSeparator(scope[i]) && IsSeparator(recordName[i])) &&
                   FoldAscii(scope[i]) != FoldAscii(recordName[i])) {
            return false;
        }
        i += n;
    }
    // The file itself, or something inside the folder of that name.
    return i == recordName.size() || (IsSeparator(recordName[i]) && i + 1 < recordName.size());
}

bool BuildEntryPath(const std::string& folder, const std::string& name, std::string* path) {
    std::string joined = JoinPath(folder, name);
    if (joined.size() > kMaxPathLength) return false;
    *path = std::move(joined);
    return true;
}

std::vector<std::string> EntryFolderPaths(const std::string& folder, const std::string& name) {
    std::vector<std::string> folders;
    if (!IsSafeName(name, kRelativeNameOptions)) return folders;
    std::vector<std::string> parts = SplitComponents(name[0] == '\\' || name[0] == '/' ? name.substr(1) : name);
    parts.pop_back();  // the file itself
    std::string relative;
    for (const std::string& part : parts) {
        relative += relative.empty() ? part : "\\" + part;
        std::string path;
        if (!BuildEntryPath(folder, relative, &path)) return {};
        folders.push_back(std::move(path));
    }
    return folders;
}

void RemoveCreatedFolders(const std::vector<std::string>& created) {
    for (auto it = created.rbegin(); it != created.rend(); ++it) fs::RemoveFolder(*it);
}

}  // namespace kb::pack
