#include "loader/path_csv.h"

#include <algorithm>

#include "shared/base/strutils.h"

namespace kb::loader {
namespace {

std::string_view UpToZero(std::string_view s) {
    const size_t zero = s.find('\0');
    return zero == std::string_view::npos ? s : s.substr(0, zero);
}

}  // namespace

std::vector<std::string> SplitPath(std::string_view path) {
    path = UpToZero(path);
    std::vector<std::string> parts;
    if (path.empty()) return parts;
    parts.emplace_back();
    const size_t last = path.size() - 1;
    for (size_t i = 0; i < last;) {
        const size_t n = std::min(CharLengthAt(path, i), last - i);
        if (n == 1 && path[i] == '\\')
            parts.emplace_back();
        else
            parts.back().append(path.substr(i, n));
        i += n;
    }
    parts.back() += path[last];
    return parts;
}

int CountCommonParts(const std::vector<std::string>& a, const std::vector<std::string>& b, int countA,
                     int countB) {
    const int limit = std::min({countA, countB, static_cast<int>(a.size()), static_cast<int>(b.size())});
    int result = 0;
    while (result < limit && a[static_cast<size_t>(result)] == b[static_cast<size_t>(result)]) ++result;
    return result;
}

bool EndsWithBackslash(std::string_view path) {
    size_t i = 0, last = std::string_view::npos;
    for (; i < path.size(); i += CharLengthAt(path, i)) last = i;
    return last != std::string_view::npos && path[last] == '\\' && CharLengthAt(path, last) == 1;
}

std::string IncludeTrailingBackslash(std::string_view path) {
    std::string s(path);
    if (!EndsWithBackslash(path)) s += '\\';
    return s;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
    std::string s(path);
    if (EndsWithBackslash(path)) s.pop_back();
    return s;
}

std::string TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    size_t b = 0, e = text.size();
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

bool ReadCSVLine(std::istream& in, std::string& line) {
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (TrimBlanks(line).empty() || line.find("//") != std::string::npos) continue;
        return true;
    }
    line.clear();
    return false;
}

std::string GetCSVField(std::string_view line, int n) {
    line = UpToZero(line);
    int fieldNo = 1;
    bool inQuotes = false;
    bool found = false;
    std::string acc;
    for (size_t i = 0; i < line.size();) {
        const size_t len = CharLengthAt(line, i);
        const char c = line[i];
        if (len == 1 && inQuotes && c == '"') {
            inQuotes = false;
        } else if (len == 1 && !inQuotes && c == ',') {
            if (fieldNo == n) {
                found = true;
                break;
            }
            ++fieldNo;
            acc.clear();
        } else if (len == 1 && !inQuotes && c == '"') {
            inQuotes = true;
            acc.clear();
        } else {
            acc.append(line.substr(i, len));
        }
        i += len;
    }
    if (!found && fieldNo != n) acc.clear();
    return TrimBlanks(acc);
}

}  // namespace kb::loader
