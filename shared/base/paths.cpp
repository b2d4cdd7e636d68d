#include "shared/base/paths.h"

#include "shared/base/dbcs.h"

namespace kb {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool IsSafeName(std::string_view name, SafeNameOptions options) {
    if (name.empty()) return false;
    if (options.maxLength != 0 && name.size() > options.maxLength) return false;
    // Every byte, trail bytes too: a name that reaches the system cut short or
    // with a drive or stream part must never pass.
    if (name.find_first_of(std::string_view(":\0", 2)) != std::string_view::npos) return false;
    size_t i = 0;
    if (IsSeparator(name[0])) {
        if (!options.leadingSeparator) return false;
        // "\\server\share" and "\\?\..." name other roots.
        if (name.size() == 1 || IsSeparator(name[1])) return false;
        i = 1;
    }
    bool onlyDotsAndSpaces = true;
    for (; i <= name.size();) {
        if (i == name.size() || IsSeparator(name[i])) {
            if (onlyDotsAndSpaces) return false;  // empty, "." or ".." among them
            onlyDotsAndSpaces = true;
            ++i;
            continue;
        }
        const size_t n = CharLengthAt(name, i);
        if (n == 2 || (name[i] != '.' && name[i] != ' ')) onlyDotsAndSpaces = false;
        i += n;
    }
    return true;
}

bool EndsWithBackslash(std::string_view path) {
    bool last = false;
    for (size_t i = 0; i < path.size();) {
        const size_t n = CharLengthAt(path, i);
        last = n == 1 && path[i] == '\\';
        i += n;
    }
    return last;
}

std::string AddTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (!EndsWithBackslash(path)) out += '\\';
    return out;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (!name.empty() && name[0] == '\\') name.remove_prefix(1);
    std::string out = AddTrailingBackslash(folder);
    out.append(name);
    return out;
}

std::string FolderOf(std::string_view path) {
    size_t end = 0;
    for (size_t i = 0; i < path.size();) {
        const size_t n = CharLengthAt(path, i);
        if (n == 1 && IsSeparator(path[i])) end = i + 1;
        i += n;
    }
    return std::string(path.substr(0, end));
}

}  // namespace kb
