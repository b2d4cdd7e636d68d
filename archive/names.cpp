#include "archive/names.h"

#include "shared/base/fs.h"
#include "shared/base/strutils.h"

namespace ark {
namespace {
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

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
