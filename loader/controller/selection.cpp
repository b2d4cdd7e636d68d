#include "loader/controller/selection.h"

#include <cstdio>
#include <cstdlib>

#include "loader/path_csv.h"
#include "loader/session/files_lst.h"
#include "shared/base/paths.h"

namespace kb::loader {
namespace {

// The library's temporary name when the ".cmp" name is taken: "~kb0000.tmp".
constexpr size_t kPackTempNameLength = 11;
constexpr char kPackCopySuffix[] = ".cmp";

// a * b, saturated instead of overflowing (sizes near 2^63 only).
int64_t SaturatedProduct(int64_t a, int64_t b) {
    int64_t r = 0;
    if (!__builtin_mul_overflow(a, b, &r)) return r;
    return ((a < 0) != (b < 0)) ? INT64_MIN : INT64_MAX;
}

}  // namespace

std::string FirstPathPart(const std::string& caption) {
    const std::vector<std::string> parts = SplitPath(caption);
    return parts.empty() ? std::string() : parts.front();
}

bool BeginsWithFolder(const std::string& path, const std::string& entry) {
    const size_t n = entry.size() + 1;
    if (path.size() < n || path.compare(0, entry.size(), entry) != 0) return false;
    return EndsWithBackslash(std::string_view(path).substr(0, n));
}

int64_t CellInt64(const ListRow& row, size_t column) {
    int64_t value = 0;
    if (column >= row.subItems.size() || !ParseDecimal64(row.subItems[column], value)) return 0;
    return value;
}

int64_t SelectedTotals(const SessionRecord& record, int64_t& extra) {
    int64_t total = 0;
    extra = 0;
    for (size_t i : record.selected) {
        if (i >= record.fileList.size()) continue;
        total += CellInt64(record.fileList[i], kSizeColumn);
        extra += CellInt64(record.fileList[i], kRuleColumn);
    }
    return total;
}

void FillExportList(const SessionRecord& record, EntryList& exportList) {
    exportList.Clear();
    if (!record.fullList) return;
    int counter = 0;
    for (size_t i : record.selected) {
        if (i >= record.fileList.size()) continue;
        const std::string p = FirstPathPart(record.fileList[i].caption);
        for (const ListRow& e : record.fullList->Rows()) {
            const std::string q = FirstPathPart(e.caption);
            if (q == p + "\\" || q == p) exportList.AddItem(e.caption, counter++, CellInt64(e, 4), 1);
        }
    }
    exportList.RebuildSorted();
}

SizeLabelChoice SizeLabelFor(int64_t total) {
    const double m = static_cast<double>(total) / 1024 / 1024;
    if (total == 0) return {kMsgNothingSelected, m};
    if (m < 0.01) return {kMsgUnderTenKilobytes, m};
    return {kMsgMegabytes, m};
}

std::string FormatWithFloat(const std::string& format, double value) {
    std::string out;
    bool used = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // %[flags][width][.precision]conversion, widths of at most two digits.
        size_t j = i + 1;
        while (j < format.size() && std::string_view("-+ 0#").find(format[j]) != std::string_view::npos) ++j;
        size_t digits = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9' && digits < 3) ++j, ++digits;
        if (j < format.size() && format[j] == '.') {
            ++j;
            digits = 0;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9' && digits < 3) ++j, ++digits;
        }
        const bool floating = j < format.size() && std::string_view("fFeEgG").find(format[j]) != std::string_view::npos;
        if (used || !floating || digits > 2) {
            out += format[i];
            continue;
        }
        const std::string spec = format.substr(i, j - i + 1);
        char buffer[160];
        const int n = std::snprintf(buffer, sizeof buffer, spec.c_str(), value);
        if (n > 0) out.append(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
        used = true;
        i = j;
    }
    return out;
}

size_t LongestTargetPath(const std::string& folder, const EntryList& list) {
    const size_t base = ExcludeTrailingBackslash(folder).size() + 1;
    size_t longest = 0;
    for (const ListRow& row : list.Rows()) longest = std::max(longest, base + row.caption.size());
    return longest;
}

bool PackCopiesFit(const std::string& dest, const SessionRecord& record) {
    const size_t base = ExcludeTrailingBackslash(dest).size() + 1;
    for (size_t i : record.selected) {
        if (i >= record.fileList.size()) continue;
        const std::string& caption = record.fileList[i].caption;
        const size_t copy = base + caption.size() + sizeof kPackCopySuffix - 1;
        const size_t parts = SplitPath(caption).size();
        const size_t folderLength = base + (parts > 1 ? caption.rfind('\\') + 1 : 0);
        if (copy > kMaxPathLength || folderLength + kPackTempNameLength > kMaxPathLength) return false;
    }
    return true;
}

bool ExportStaysInside(const SessionRecord& record, const ListRow& row) {
    if (!IsSafeEntryPath(row.caption) || EndsWithBackslash(row.caption)) return false;
    if (!record.fullList) return true;
    for (const ListRow& e : record.fullList->Rows())
        if ((e.caption == row.caption || BeginsWithFolder(e.caption, row.caption)) && !IsSafeEntryPath(e.caption))
            return false;
    return true;
}

int64_t NearestQuotient(int64_t n, int64_t d) {
    if (d < 0) n = -n, d = -d;
    const int64_t q = n / d;
    const int64_t r = n % d;
    // |r| >= d - |r| rounds away from zero, halves included.
    const int64_t ar = r < 0 ? -r : r;
    if (ar >= d - ar) return r < 0 ? q - 1 : q + 1;
    return q;
}

int ExportPercent(int p, int64_t itemSize, int64_t done, int64_t total) {
    if (total == 0) total = 1;
    int64_t c = 0;
    if (p == 100) {
        c = done + itemSize;
        if (c >= total) return 100;
    } else {
        c = done + NearestQuotient(SaturatedProduct(itemSize, p), 100);
    }
    const int64_t pct = NearestQuotient(SaturatedProduct(c, 100), total);
    return pct >= 100 ? 99 : static_cast<int>(pct);
}

}  // namespace kb::loader
