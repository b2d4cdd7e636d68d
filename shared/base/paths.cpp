#include "shared/base/paths.h"

#include <vector>

#include "shared/base/dbcs.h"

namespace kb {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A byte that may follow a lead byte in every double-byte ANSI code page. A
// lead byte before anything else is dropped or rewritten by the system, so the
// name it reaches is not the name checked here.
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c != 0x7F && c != 0xFF; }

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsFolded(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (FoldAscii(text[i]) != upper[i]) return false;
    return true;
}

// The system opens a device for these, whatever follows the first dot and
// with blanks before it: "nul.txt", "COM1 .log", "Aux".
bool IsDeviceName(std::string_view base) {
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (EqualsFolded(base, device)) return true;
    if (base.size() != 4 || !(EqualsFolded(base.substr(0, 3), "COM") || EqualsFolded(base.substr(0, 3), "LPT")))
        return false;
    // A digit, or the superscripts one, two and three the system also reads as one.
    const unsigned char n = static_cast<unsigned char>(base[3]);
    return (n >= '0' && n <= '9') || n == 0xB9 || n == 0xB2 || n == 0xB3;
}

// One component between separators, walked character by character.
bool IsSafeComponent(std::string_view part) {
    if (part.empty()) return false;
    size_t baseEnd = std::string_view::npos;
    bool lastIsDotOrBlank = false;
    for (size_t i = 0; i < part.size();) {
        const unsigned char c = static_cast<unsigned char>(part[i]);
        if (platform::IsLeadByte(c)) {
            if (i + 1 == part.size() || !IsTrailByte(static_cast<unsigned char>(part[i + 1]))) return false;
            lastIsDotOrBlank = false;
            i += 2;
            continue;
        }
        if (c == '.' && baseEnd == std::string_view::npos) baseEnd = i;
        lastIsDotOrBlank = c == '.' || c == ' ';
        ++i;
    }
    // The system drops trailing dots and blanks: "a.txt." and "a.txt " name
    // "a.txt", and "..", ". ." and " " name the folder itself or its parent.
    if (lastIsDotOrBlank) return false;
    return !IsDeviceName(part.substr(0, baseEnd));
}

}  // namespace

bool IsSafeName(std::string_view name, SafeNameOptions options) {
    if (name.empty()) return false;
    if (options.maxLength != 0 && name.size() > options.maxLength) return false;
    // Every byte, trail bytes too: a name that reaches the system cut short or
    // with a drive or stream part must never pass. The stored formats separate
    // folders with backslashes only and create folders only there, while the
    // system takes '/' for one too: one name, two readings, so it is refused.
    if (name.find_first_of(std::string_view(":/\0", 3)) != std::string_view::npos) return false;
    size_t i = 0;
    if (name[0] == '\\') {
        if (!options.leadingSeparator) return false;
        // "\\server\share" and "\\?\..." name other roots.
        if (name.size() == 1 || name[1] == '\\') return false;
        i = 1;
    }
    size_t start = i;
    while (i <= name.size()) {
        if (i == name.size() || name[i] == '\\') {
            if (!IsSafeComponent(name.substr(start, i - start))) return false;
            start = ++i;
            continue;
        }
        i += CharLengthAt(name, i);
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

std::string FoldAbsolutePath(std::string_view path) {
    std::vector<std::string_view> parts;
    bool endsWithSeparator = false;  // of the last character, not the last byte
    size_t start = 0;
    for (size_t i = 0; i <= path.size();) {
        const bool end = i == path.size();
        const size_t n = end ? 1 : CharLengthAt(path, i);
        if (!end) endsWithSeparator = n == 1 && IsSeparator(path[i]);
        if (end || (n == 1 && IsSeparator(path[i]))) {
            const std::string_view part = path.substr(start, i - start);
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            start = i + 1;
        }
        i += n;
    }
    std::string out;
    for (std::string_view p : parts) {
        out += '\\';
        out.append(p);
    }
    if (out.empty() || endsWithSeparator) out += '\\';
    return out;
}

}  // namespace kb
