#include "loader/controller/selection.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <unordered_map>
#include <vector>

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
    // The full list's rows by their first path part, each in list order: a
    // selection of thousands of rows is not a walk of the list per row.
    const std::vector<ListRow>& rows = record.fullList->Rows();
    std::unordered_map<std::string, std::vector<size_t>> byFirstPart;
    for (size_t k = 0; k < rows.size(); ++k) byFirstPart[FirstPathPart(rows[k].caption)].push_back(k);
    static const std::vector<size_t> kNone;
    auto rowsOf = [&](const std::string& part) -> const std::vector<size_t>& {
        const auto found = byFirstPart.find(part);
        return found == byFirstPart.end() ? kNone : found->second;
    };
    int counter = 0;
    for (size_t i : record.selected) {
        if (i >= record.fileList.size()) continue;
        const std::string p = FirstPathPart(record.fileList[i].caption);
        // The rows whose first part is p followed by a backslash or p, merged in list order.
        const std::vector<size_t>& a = rowsOf(p + "\\");
        const std::vector<size_t>& b = rowsOf(p);
        for (size_t ia = 0, ib = 0; ia < a.size() || ib < b.size();) {
            const size_t k = ib >= b.size() || (ia < a.size() && a[ia] < b[ib]) ? a[ia++] : b[ib++];
            exportList.AddItem(rows[k].caption, counter++, CellInt64(rows[k], 4), 1);
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

namespace {

// The value as significant decimal digits: value = 0.digits x 10^exponent,
// digits without trailing zeros (empty for zero). 18 digits are taken, the
// most the form framework's conversion works with; a size in megabytes (a
// byte count over 2^20) has at most that many, so it is exact.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal ToDecimal(double value) {
    Decimal d;
    d.negative = std::signbit(value);
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 17);
    const std::string_view text(buffer, static_cast<size_t>(r.ptr - buffer));  // "d.dddde+XX"
    const size_t e = text.find('e');
    d.digits = std::string(text.substr(0, 1)) + std::string(text.substr(2, e - 2));
    d.exponent = std::atoi(std::string(text.substr(e + 1)).c_str()) + 1;
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exponent = 0;
    return d;
}

// Keeps the first count digits, rounding half away from zero as the
// framework's conversion does ("%.1f" of 2.25 gives "2.3").
void RoundTo(Decimal& d, int count) {
    if (count < 0 || static_cast<int>(d.digits.size()) <= count) return;
    const bool up = d.digits[static_cast<size_t>(count)] >= '5';
    d.digits.resize(static_cast<size_t>(count));
    if (up) {
        int i = count - 1;
        for (; i >= 0 && d.digits[static_cast<size_t>(i)] == '9'; --i) d.digits[static_cast<size_t>(i)] = '0';
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[static_cast<size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exponent = 0;
}

char DigitAt(const Decimal& d, int i) {
    return i >= 0 && i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(i)] : '0';
}

// A zero result carries no sign.
std::string Sign(const Decimal& d) { return d.negative && !d.digits.empty() ? "-" : ""; }

// "-ddd.ddd" with decimals digits after the point; thousands separated when asked.
std::string FixedText(double value, int decimals, bool thousands) {
    Decimal d = ToDecimal(value);
    RoundTo(d, d.exponent + decimals);
    std::string whole;
    for (int i = 0; i < d.exponent; ++i) {
        if (thousands && i > 0 && (d.exponent - i) % 3 == 0) whole += ',';
        whole += DigitAt(d, i);
    }
    if (whole.empty()) whole = "0";
    std::string out = Sign(d) + whole;
    if (decimals > 0) {
        out += '.';
        for (int i = 0; i < decimals; ++i) out += DigitAt(d, d.exponent + i);
    }
    return out;
}

// "E", a sign and at least three digits.
std::string ExponentText(int exponent) {
    std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return std::string("E") + (exponent < 0 ? '-' : '+') + digits;
}

// "-d.dddE+ddd" with precision digits in all.
std::string ScientificText(double value, int precision) {
    Decimal d = ToDecimal(value);
    RoundTo(d, precision);
    std::string out = Sign(d) + DigitAt(d, 0);
    if (precision > 1) {
        out += '.';
        for (int i = 1; i < precision; ++i) out += DigitAt(d, i);
    }
    return out + ExponentText(d.digits.empty() ? 0 : d.exponent - 1);
}

// The shorter of fixed and scientific with at most precision significant
// digits, no trailing zeros and a point only where a digit follows it: fixed
// while the digits before the point fit the precision and the value is at
// least 0.00001.
std::string GeneralText(double value, int precision) {
    Decimal d = ToDecimal(value);
    RoundTo(d, precision);
    if (d.digits.empty()) return "0";
    const int count = static_cast<int>(d.digits.size());
    std::string out = Sign(d);
    if (d.exponent <= precision && d.exponent >= -4) {
        if (d.exponent <= 0) return out + "0." + std::string(static_cast<size_t>(-d.exponent), '0') + d.digits;
        for (int i = 0; i < d.exponent; ++i) out += DigitAt(d, i);
        if (count > d.exponent) out += '.' + d.digits.substr(static_cast<size_t>(d.exponent));
        return out;
    }
    out += d.digits[0];
    if (count > 1) out += '.' + d.digits.substr(1);
    return out + ExponentText(d.exponent - 1);
}

// Longest width or precision a message may ask for: a label is one short line.
constexpr int kMaxFieldWidth = 255;

// Reads decimal digits at format[i]; false when there are more than the cap allows.
bool ReadNumber(std::string_view format, size_t& i, int& value) {
    value = -1;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        value = (value < 0 ? 0 : value) * 10 + (format[i] - '0');
        if (value > kMaxFieldWidth) return false;
        ++i;
    }
    return true;
}

}  // namespace

std::optional<std::string> FormatFloatArgument(std::string_view format, double value) {
    std::string out;
    int nextArgument = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        ++i;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            continue;
        }
        // %[index:][-][width][.precision]type; a '*' would take an integer argument.
        int number = -1;
        if (!ReadNumber(format, i, number)) return std::nullopt;
        int argument = nextArgument;
        if (i < format.size() && format[i] == ':') {
            if (number < 0) return std::nullopt;
            argument = number;
            ++i;
            number = -1;
        }
        bool left = false;
        if (number < 0 && i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        int width = number;
        if (width < 0 && !ReadNumber(format, i, width)) return std::nullopt;
        int precision = -1;
        if (i < format.size() && format[i] == '.') {
            ++i;
            if (!ReadNumber(format, i, precision)) return std::nullopt;
            if (precision < 0) precision = 0;
        }
        if (i >= format.size()) return std::nullopt;
        // The one argument is floating-point: any other type, or a second
        // argument, is an error of the format, not text to print.
        if (argument != 0) return std::nullopt;
        nextArgument = argument + 1;
        std::string text;
        switch (format[i] | 0x20) {
            case 'f':
                text = FixedText(value, precision < 0 ? 2 : std::min(precision, 18), false);
                break;
            case 'n':
                text = FixedText(value, precision < 0 ? 2 : std::min(precision, 18), true);
                break;
            case 'e':
                text = ScientificText(value, precision < 0 ? 15 : std::clamp(precision, 1, 15));
                break;
            case 'g':
                text = GeneralText(value, precision < 0 ? 15 : std::clamp(precision, 1, 15));
                break;
            default:
                return std::nullopt;
        }
        if (width > 0 && text.size() < static_cast<size_t>(width))
            text.insert(left ? text.end() : text.begin(), static_cast<size_t>(width) - text.size(), ' ');
        out += text;
    }
    return out;
}

std::string FormatWithFloat(const std::string& format, double value) {
    return FormatFloatArgument(format, value).value_or(std::string());
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
