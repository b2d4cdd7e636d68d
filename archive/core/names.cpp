#include "archive/core/names.h"

#include "shared/base/fs.h"
#include "shared/base/strutils.h"

namespace ark {
namespace {
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

bool IsSafeEntryName(std::string_view name) {
    if (name.empty() || IsSeparator(name[0])) return false;
    bool onlyDotsAndSpaces = true;
    for (size_t i = 0; i <= name.size();) {
        if (i == name.size() || IsSeparator(name[i])) {
            if (onlyDotsAndSpaces) return false;
            onlyDotsAndSpaces = true;
            ++i;
            continue;
        }
        size_t len = kb::CharLengthAt(name, i);
        if (len == 1) {
            if (name[i] == ':') return false;
            if (name[i] != '.' && name[i] != ' ') onlyDotsAndSpaces = false;
        } else {
            onlyDotsAndSpaces = false;
        }
        i += len;
    }
    return true;
}

namespace {
// True when text ends with a single-byte backslash (not a trail byte 0x5C).
bool EndsWithBackslash(std::string_view text) {
    bool last = false;
    for (size_t i = 0; i < text.size();) {
        size_t len = kb::CharLengthAt(text, i);
        last = (len == 1 && text[i] == '\\');
        i += len;
    }
    return last;
}

// Length of the root that is not created: "X:\", "\\server\share\", a leading separator.
size_t RootLength(std::string_view path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        int separators = 2;
        for (size_t i = 2; i < path.size(); i += kb::CharLengthAt(path, i))
            if (IsSeparator(path[i]) && ++separators == 4) return i + 1;
        return path.size();
    }
    if (path.size() >= 2 && path[1] == ':') return (path.size() >= 3 && IsSeparator(path[2])) ? 3 : 2;
    if (!path.empty() && IsSeparator(path[0])) return 1;
    return 0;
}
}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!EndsWithBackslash(folder)) out += '\\';
    out.append(name);
    return out;
}

void MakePathFolders(std::string_view path) {
    const size_t root = RootLength(path);
    // Character boundaries are followed from the first byte, so a trail byte
    // 0x5C is never taken for a separator.
    for (size_t i = 0; i < path.size(); i += kb::CharLengthAt(path, i)) {
        if (i >= root && i > 0 && kb::CharLengthAt(path, i) == 1 && IsSeparator(path[i]))
            kb::fs::CreateFolder(std::string(path.substr(0, i)));
    }
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto fold = [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; };
    for (size_t i = 0; i < a.size();) {
        size_t len = kb::CharLengthAt(a, i);
        if (len == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) {
            return false;
        }
        i += len;
    }
    return true;
}

}  // namespace ark
