// The export's tables: the overall percentage, the size label, the path
// gates and the writer's and eraser's command lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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

TEST(SizeLabelTest, FormatsOneFloatingPointArgumentOnly) {
    EXPECT_EQ(FormatWithFloat("%.2f MB", 3), "3.00 MB");
    EXPECT_EQ(FormatWithFloat("Size %f", 1.5), "Size 1.500000");
    EXPECT_EQ(FormatWithFloat("100%% %.1f", 2.25), "100% 2.2");
    // Conversions that would read other arguments stay as text.
    EXPECT_EQ(FormatWithFloat("%s %n %d %.1f %.1f", 1), "%s %n %d 1.0 %.1f");
    EXPECT_EQ(FormatWithFloat("%999999f", 1), "%999999f");
    EXPECT_EQ(FormatWithFloat("end %", 1), "end %");
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
