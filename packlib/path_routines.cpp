// Double-byte-aware path routines of the pack library.
#include "packlib/path_routines.h"

#include "shared/base/fs.h"
#include "shared/base/dbcs.h"

namespace kb::pack {
namespace {

// Length in bytes of the character that starts at s[i]: 2 for a lead byte that
// has a trail byte, else 1 (a lone lead byte at the end is one character).
size_t CharLength(const std::string& s, size_t i) {
    return (platform::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Offset of the last character of s, or npos for "".
size_t LastCharOffset(const std::string& s) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < s.size(); i += CharLength(s, i)) last = i;
    return last;
}

// The components of s between single-byte separators, walked character-wise.
std::vector<std::string> SplitComponents(const std::string& s) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < s.size();) {
        const size_t n = CharLength(s, i);
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
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':' && !platform::IsLeadByte(static_cast<unsigned char>(path[0])))
        start = 2;
    for (size_t i = 0; i < path.size();) {
        const size_t n = CharLength(path, i);
        if (n == 1 && IsSeparator(path[i])) start = i + 1;
        i += n;
    }
    return start >= path.size() ? std::string() : path.substr(start);
}

std::string AddTrailingBackslash(const std::string& path) {
    const size_t last = LastCharOffset(path);
    if (last != std::string::npos && path[last] == '\\' && CharLength(path, last) == 1) return path;
    return path + '\\';
}

bool IsSafeRelativeName(const std::string& name) {
    if (name.empty()) return false;
    if (name.find(':') != std::string::npos) return false;
    std::string rest = name;
    if (IsSeparator(rest[0])) {
        rest.erase(0, 1);
        // "\\server\share" and "\\?\..." name other roots.
        if (rest.empty() || IsSeparator(rest[0])) return false;
    }
    for (const std::string& part : SplitComponents(rest)) {
        if (part.empty()) return false;
        if (part.find_first_not_of(". ") == std::string::npos) return false;
    }
    return true;
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

bool BuildEntryPath(const std::string& folder, const std::string& name, std::string* path) {
    std::string joined = AddTrailingBackslash(folder);
    if (!name.empty() && name[0] == '\\')
        joined.append(name, 1, std::string::npos);
    else
        joined += name;
    if (joined.size() > kMaxPathLength) return false;
    *path = std::move(joined);
    return true;
}

std::vector<std::string> EntryFolderPaths(const std::string& folder, const std::string& name) {
    std::vector<std::string> folders;
    if (!IsSafeRelativeName(name)) return folders;
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

void RemoveTempFolders(const std::string& folder, const std::string& relativeName) {
    const std::vector<std::string> folders = EntryFolderPaths(folder, relativeName);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) fs::RemoveFolder(*it);
}

}  // namespace kb::pack
