#include "loader/session/files_lst.h"

#include <limits>
#include <sstream>

#include "loader/path_csv.h"
#include "shared/base/fs.h"
#include "shared/base/paths.h"

namespace kb::loader {
namespace {

constexpr size_t kReadChunk = 64 * 1024;

}  // namespace

bool ParseDecimal64(std::string_view text, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    // Accumulated as a negative number, whose range is the larger one.
    int64_t result = 0;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        const int digit = text[i] - '0';
        if (result < (kMin + digit) / 10) return false;
        result = result * 10 - digit;
    }
    if (!negative) {
        if (result == kMin) return false;
        result = -result;
    }
    value = result;
    return true;
}

bool ParseDecimal32(std::string_view text, int32_t& value) {
    int64_t wide = 0;
    if (!ParseDecimal64(text, wide) || wide < std::numeric_limits<int32_t>::min() ||
        wide > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(wide);
    return true;
}

FilesLstStop ReadFilesLstRows(std::string_view text, const std::function<void(const FilesLstRow&)>& onRow) {
    std::istringstream in{std::string(text)};
    std::string line;
    size_t rows = 0;
    while (ReadCSVLine(in, line)) {
        if (++rows > kMaxFilesLstRows) return FilesLstStop::TooManyRows;
        FilesLstRow row;
        row.path = GetCSVField(line, 1);
        row.kindText = GetCSVField(line, 3);
        int32_t kind = 0;
        if (!ParseDecimal64(GetCSVField(line, 2), row.size) || !ParseDecimal32(row.kindText, kind))
            return FilesLstStop::BadNumber;
        row.kind = kind;
        if (row.kind > 1 && !ParseDecimal32(GetCSVField(line, 4), row.field4)) return FilesLstStop::BadNumber;
        onRow(row);
    }
    return FilesLstStop::None;
}

bool ReadFilesLstText(const std::string& path, std::string& text, bool* tooLarge) {
    text.clear();
    if (tooLarge) *tooLarge = false;
    fs::File file = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!file.IsOpen()) return false;
    std::string chunk(kReadChunk, '\0');
    for (;;) {
        size_t got = 0;
        if (!file.Read(chunk.data(), chunk.size(), &got)) {
            // A row cut by the failure is not a row of the file.
            const size_t lineEnd = text.rfind('\n');
            text.resize(lineEnd == std::string::npos ? 0 : lineEnd + 1);
            return false;
        }
        if (got == 0) return true;
        // Counted as read, so a file that grows while it is read is bounded too.
        if (text.size() + got > kMaxFilesLstBytes) {
            text = std::string();
            if (tooLarge) *tooLarge = true;
            return false;
        }
        text.append(chunk.data(), got);
    }
}

bool IsSafeEntryPath(std::string_view path) {
    // A folder row's one trailing backslash; the rest is a stored name like
    // any other, checked where every layer checks one.
    if (EndsWithBackslash(path)) path.remove_suffix(1);
    return IsSafeName(path);
}

}  // namespace kb::loader
