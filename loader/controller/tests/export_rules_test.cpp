// The export's tables: the overall percentage, the size label, the path
// gates and the writer's and eraser's command lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "loader/controller/handoff.h"
#include "loader/controller/selection.h"

namespace kb::loader {
namespace {

constexpr int64_t kGiB = 1024LL * 1024 * 1024;

TEST(ExportPercentTest, Table) {
    struct Case {
        int p;
        int64_t item, done, total;
        int want;
    } cases[] = {
        {100, 50, 50, 100, 100},      // the last bytes counted
        {100, 49, 50, 100, 99},       // 99 % exactly
        {100, 1, 0, 200, 1},          // 0.5 rounds up, never to even
        {100, 5, 0, 1000, 1},         // 0.5 again (banker's rounding would give 0)
        {100, 25, 0, 1000, 3},        // 2.5 gives 3
        {100, 4, 0, 1000, 0},         // 0.4 gives 0
        {100, 999, 0, 1000, 99},      // 99.9 never shows 100 before the end
        {100, 1995, 0, 2000, 99},     // 99.75 likewise
        {50, 10, 0, 10, 50},
        {99, 1000, 0, 1000, 99},      // an unfinished entry never reaches 100
        {30, 5, 0, 10, 20},           // item 1.5 rounds to 2 bytes: 20 %
        {50, 3, 0, 4, 50},            // item 1.5 -> 2: 50 %
        {50, 1, 0, 8, 13},            // item 0.5 -> 1: 12.5 % -> 13
        {0, 0, 0, 0, 0},              // total 0 counts as 1
        {100, 0, 0, 0, 0},            // total 0 counts as 1: 0 of 1 bytes
        {50, 3 * kGiB, kGiB, 4 * kGiB, 63},  // 64-bit sizes: 2.5 GiB of 4 -> 62.5 -> 63
        {100, 3 * kGiB, kGiB, 4 * kGiB, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExportPercent(c.p, c.item, c.done, c.total), c.want)
            << c.p << " " << c.item << " " << c.done << " " << c.total;
}

TEST(ExportPercentTest, NearestRoundsHalvesAwayFromZero) {
    EXPECT_EQ(NearestQuotient(5, 2), 3);
    EXPECT_EQ(NearestQuotient(-5, 2), -3);
    EXPECT_EQ(NearestQuotient(7, 2), 4);
    EXPECT_EQ(NearestQuotient(4, 3), 1);
    EXPECT_EQ(NearestQuotient(-4, 3), -1);
    EXPECT_EQ(NearestQuotient(5, 3), 2);
}

TEST(SizeLabelTest, Table) {
    struct Case {
        int64_t total;
        int message;
    } cases[] = {{0, 201}, {1, 202}, {5000, 202}, {10485, 202}, {10486, 203}, {3 * 1024 * 1024, 203},
                 {3 * kGiB, 203}};
    for (const Case& c : cases) EXPECT_EQ(SizeLabelFor(c.total).message, c.message) << c.total;
    EXPECT_DOUBLE_EQ(SizeLabelFor(3 * 1024 * 1024).megabytes, 3.0);
    EXPECT_DOUBLE_EQ(SizeLabelFor(3 * kGiB).megabytes, 3072.0);
}

TEST(SizeLabelTest, FormatsByTheFrameworksRules) {
    struct Case {
        const char* format;
        double value;
        std::optional<std::string> text;  // none: the format is refused
    };
    const std::optional<std::string> refused;
    const Case cases[] = {
        // Fixed: two decimals unless a precision says otherwise, rounded half away from zero.
        {"%f MB", 3, "3.00 MB"},
        {"%f", 1234.5678, "1234.57"},
        {"%F", 3072, "3072.00"},
        {"%.1f", 2.25, "2.3"},
        {"%.1f", 0.05, "0.1"},
        {"%.0f", 2.5, "3"},
        {"%.3f", 0.0625, "0.063"},
        {"%f", -2.5, "-2.50"},
        {"%.1f", -0.01, "0.0"},
        {"%.20f", 0.5, "0.500000000000000000"},  // at most 18 decimals
        // Number: as fixed, with thousands separators.
        {"%n", 1234567.891, "1,234,567.89"},
        {"%n", 3072, "3,072.00"},
        {"%.0n", 999.5, "1,000"},
        {"%n", 12.5, "12.50"},
        // General: at most 15 significant digits, no trailing zeros.
        {"%g", 3, "3"},
        {"%g", 1234.5, "1234.5"},
        {"%g", 1234.5678901234567, "1234.56789012346"},
        {"%g", 0.000012, "0.000012"},
        {"%g", 0.0000012, "1.2E-006"},
        {"%g", 1e20, "1E+020"},
        {"%.3g", 1234.5, "1.23E+003"},
        {"%g", 0, "0"},
        // Scientific: precision digits in all, 15 by default, three exponent digits.
        {"%e", 1234.5678901234567, "1.23456789012346E+003"},
        {"%e", 3, "3.00000000000000E+000"},
        {"%.3e", 0.5, "5.00E-001"},
        {"%.1E", 9.96, "1E+001"},
        // Width, justification, index, percent.
        {"%5.2f", 3, " 3.00"},
        {"%-6.1f|", 3, "3.0   |"},
        {"%2.2f", 1234.5, "1234.50"},
        {"%%", 3, "%"},
        {"100%% %.1f", 2.25, "100% 2.3"},
        {"%0:f %0:.1f", 3, "3.00 3.0"},
        {"Size", 3, "Size"},  // no conversion: the text alone
        {"", 3, ""},
        // Refused: no floating-point conversion for the one argument, or a second argument.
        {"%s", 3, refused},
        {"%d MB", 3, refused},
        {"%x", 3, refused},
        {"%m", 3, refused},
        {"%y", 3, refused},
        {"%f %f", 3, refused},
        {"%1:f", 3, refused},
        {"%*f", 3, refused},
        {"%.*f", 3, refused},
        {"end %", 3, refused},
        {"%5", 3, refused},
        {"%999f", 3, refused},
        {"%.256f", 3, refused},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatFloatArgument(c.format, c.value), c.text) << "[" << c.format << "] " << c.value;
        EXPECT_EQ(FormatWithFloat(c.format, c.value), c.text.value_or("")) << "[" << c.format << "]";
    }
}

// The entries AddItem was given, in the order given, sorted by nothing; the
// sub-items as the interface lays them out.
class CollectedList final : public EntryList {
public:
    void Clear() override { rows_.clear(); }
    void AddItem(const std::string& path, int rowNumber, int64_t size, int kind) override {
        rows_.push_back(ListRow{path, {std::to_string(kind), "0", std::to_string(rowNumber), "0", std::to_string(size)}, -1});
    }
    void RebuildSorted() override {}
    const std::vector<ListRow>& Rows() const override { return rows_; }

private:
    std::vector<ListRow> rows_;
};

TEST(FillExportListTest, EachSelectedRowTakesItsEntriesInFullListOrder) {
    SessionRecord record;
    record.fileList = {ListRow{"B.txt", {"0"}, -1}, ListRow{"A", {"1"}, -1}, ListRow{"C", {"1"}, -1}};
    auto full = std::make_unique<CollectedList>();
    // Rows whose first part is "A\" and "A" interleaved; "AB.txt" and "A.txt"
    // begin with A but are not in it.
    const char* const captions[] = {"A\\", "AB.txt", "A\\x.txt", "B.txt", "A", "A\\Sub\\", "A.txt", "A\\Sub\\y.txt", "A"};
    for (int size = 0; size < 9; ++size) full->AddItem(captions[size], 0, size, 0);
    record.fullList = std::move(full);
    struct Case {
        std::vector<size_t> selected;
        std::vector<std::string> want;  // caption:row number:size
    } cases[] = {
        {{}, {}},
        {{0}, {"B.txt:0:3"}},
        {{2}, {}},  // no entry under C
        {{1}, {"A\\:0:0", "A\\x.txt:1:2", "A:2:4", "A\\Sub\\:3:5", "A\\Sub\\y.txt:4:7", "A:5:8"}},
        {{0, 1, 2},
         {"B.txt:0:3", "A\\:1:0", "A\\x.txt:2:2", "A:3:4", "A\\Sub\\:4:5", "A\\Sub\\y.txt:5:7", "A:6:8"}},
        {{1, 7}, {"A\\:0:0", "A\\x.txt:1:2", "A:2:4", "A\\Sub\\:3:5", "A\\Sub\\y.txt:4:7", "A:5:8"}},  // a row past the list
    };
    for (const Case& c : cases) {
        record.selected = c.selected;
        CollectedList exportList;
        exportList.AddItem("stale", 0, 0, 0);
        FillExportList(record, exportList);
        std::vector<std::string> got;
        for (const ListRow& r : exportList.Rows())
            got.push_back(r.caption + ":" + r.subItems[2] + ":" + r.subItems[4] + (r.subItems[0] == "1" ? "" : ":kind"));
        EXPECT_EQ(got, c.want) << "selected " << c.selected.size() << " rows";
    }
}

TEST(PathRulesTest, FolderPrefixesCountOnlyAtSeparators) {
    EXPECT_TRUE(BeginsWithFolder("Docs\\a.txt", "Docs"));
    EXPECT_TRUE(BeginsWithFolder("Docs\\", "Docs"));
    EXPECT_FALSE(BeginsWithFolder("Docsx.txt", "Docs"));
    EXPECT_FALSE(BeginsWithFolder("Docs", "Docs"));
    EXPECT_EQ(FirstPathPart("Docs\\Sub\\x"), "Docs");
    EXPECT_EQ(FirstPathPart("Docs\\"), "Docs\\");
}

TEST(HandoffTest, CommandLines) {
    struct Case {
        std::string got, want;
    } cases[] = {
        {WriterModeCommandLine("C:\\L", "E:", 4660, 10, 20), "\"C:\\L\\Scrivane.Exe\" /D:E /H:4660 /X:10 /Y:20"},
        {WriterModeCommandLine("C:\\L", "E:", 4660, 10, -2000), "\"C:\\L\\Scrivane.Exe\" /D:E /H:4660"},
        {WriterModeCommandLine("C:\\L", "E:", 0, -2000, 5), "\"C:\\L\\Scrivane.Exe\" /D:E /H:0"},
        {WriterCommandLine("C:\\L", "Q:", 777, -3, 0), "\"C:\\L\\Scrivane.Exe\" /D:Q /H:777 /X:-3 /Y:0"},
        {WriterCommandLine("C:\\L", "Q:", 777, -2000, -2000), "\"C:\\L\\Scrivane.Exe\" /D:Q /H:777 /X:-2000 /Y:-2000"},
        {EraserArguments("C:\\Temp\\QZTemp\\L", "C:\\Temp\\QZTemp", "C:\\Temp\\"),
         "/E:C:\\Temp\\QZTemp\\L /E:C:\\Temp\\QZTemp /W:4 /X:2"},
        {EraserArguments("c:\\temp\\x", "", "C:\\TEMP"), "/E:c:\\temp\\x /W:4 /X:2"},
        // A loader run from anywhere but under the temp folder keeps its folder.
        {EraserArguments("C:\\Program Files\\L", "D:\\QZTemp", "C:\\Temp\\"), "/E:D:\\QZTemp /W:4 /X:2"},
        {EraserArguments("C:\\Temp", "D:\\QZTemp", "C:\\Temp\\"), "/E:D:\\QZTemp /W:4 /X:2"},
        {EraserArguments("C:\\Temporary\\L", "", "C:\\Temp"), "/W:4 /X:2"},
        {EraserArguments("C:\\Temp\\L", "", ""), "/W:4 /X:2"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

}  // namespace
}  // namespace kb::loader
