// Version comparison, bounded version texts and the decisions of the
// runtime-module install, as pure tables.
#include <gtest/gtest.h>

#include "archive/vbrm_plan.h"
#include "archive/vbrm_version.h"
#include "shared/base/dbcs.h"

namespace ark::vbrm {
namespace {

struct VersionCase {
    const char* installed;
    const char* archive;
    int expected;
};

TEST(CompareVersions, Table) {
    const VersionCase cases[] = {
        {"1.2", "1.2.0.0", kVersionsSame},
        {"1.2.0.0", "1.2", kVersionsSame},
        {"1.9", "1.10", kInstalledOlder},
        {"1.10", "1.9", kInstalledNewer},
        {"2", "1.99", kInstalledNewer},
        {"", "", kVersionsSame},
        {"", "0.0.0.1", kInstalledOlder},
        {"1.2a", "1.2", kVersionsSame},
        {"a.b", "0.0", kVersionsSame},
        {"6, 0, 88, 4", "6, 0, 84, 95", kVersionsSame},  // commas: one part each, value 6
        {"1.0.0.0", "2.0.0.0", kInstalledOlder},
        {"3.0.0.1", "3.0.0.0", kInstalledNewer},
        {"1..2", "1.0.2", kVersionsSame},
        {"1.2.3.4.5.6.7.8", "1.2.3.4.5.6.7.9", kInstalledOlder},
        // Only 8 parts count: a ninth never decides.
        {"1.2.3.4.5.6.7.8.1", "1.2.3.4.5.6.7.8.2", kVersionsSame},
        {"1.2.3.4.5.6.7.8.9", "1.2.3.4.5.6.7.8", kVersionsSame},
        // Parts compare as numbers, also beyond 64 bits (saturated, never wrapped).
        {"99999999999999999999999", "18446744073709551615", kVersionsSame},
        {"99999999999999999999999", "1", kInstalledNewer},
        {"007", "7", kVersionsSame},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareVersions(c.installed, c.archive), c.expected)
            << "installed \"" << c.installed << "\" archive \"" << c.archive << "\"";
}

TEST(BoundVersionText, KeepsAtMost63BytesAndWholeCharacters) {
    EXPECT_EQ(BoundVersionText("1.2.3.4"), "1.2.3.4");
    const std::string exact(63, '7');
    EXPECT_EQ(BoundVersionText(exact), exact);
    EXPECT_EQ(BoundVersionText(exact + "89"), exact);
}

#ifndef _WIN32
TEST(BoundVersionText, NeverSplitsADoubleByteCharacter) {
    kb::platform::SetAnsiCodePageForTesting(932);
    // 62 single bytes, then a double-byte character across the 63-byte limit.
    const std::string cut = std::string(62, '1') + "\x83\x41" + "9";
    EXPECT_EQ(BoundVersionText(cut), std::string(62, '1'));
    kb::platform::SetAnsiCodePageForTesting(0);
}
#endif

TEST(FormatTranslation, LanguageThenCodePageInLowerHex) {
    EXPECT_EQ(FormatTranslation(0x0411, 0x04B0), "041104b0");
    EXPECT_EQ(FormatTranslation(0x0409, 1252), "040904e4");
    EXPECT_EQ(FormatTranslation(0, 0), "00000000");
}

TEST(EntryReport, LinesInBitOrder) {
    EXPECT_EQ(EntryReport("a.dll", kNotInstalled), "a.dll:\n  Not Installed\n");
    EXPECT_EQ(EntryReport("b.ocx", kDoneBefore | kFailedBefore | kCannotAccess | kComServer | kSystemOlder |
                                       kCodePageDiffers | kInstalled),
              "b.ocx:\n"
              "  Installed\n"
              "  CodePage Differ\n"
              "  System has older version\n"
              "  Is COM server\n"
              "  Cannot access\n"
              "  Update failed before\n"
              "  Update done before\n");
    EXPECT_EQ(EntryReport("c", kInstalled | kSystemSame), "c:\n  Installed\n  System has same version\n");
    EXPECT_EQ(EntryReport("d", kInstalled | kSystemNewer), "d:\n  Installed\n  System has newer version\n");
    EXPECT_EQ(EntryReport("e", 0), "e:\n");
}

struct HistoryCase {
    bool copyFailed;
    bool copyDone;
    const char* recorded;
    const char* archive;
    uint32_t added;
};

TEST(ApplyHistory, Table) {
    const HistoryCase cases[] = {
        {false, false, "", "2.0", 0},
        {true, false, "", "2.0", kFailedBefore},
        {false, true, "2.0", "2.0", kDoneBefore},        // same version done
        {false, true, "2.1", "2.0", kDoneBefore},        // a later one done
        {false, true, "1.9", "2.0", 0},                  // an older one done: still to do
        {true, true, "2.0", "2.0", kFailedBefore | kDoneBefore},
        {false, true, "", "", kDoneBefore},
    };
    const uint32_t base = kInstalled | kSystemOlder;
    for (const auto& c : cases) {
        HistoryRecord h{c.copyFailed, c.copyDone, c.recorded};
        EXPECT_EQ(ApplyHistory(base, h, c.archive), base | c.added)
            << c.copyFailed << c.copyDone << " " << c.recorded << " vs " << c.archive;
    }
}

TEST(Lists, RestartAndComMembership) {
    struct Case {
        uint32_t status;
        bool restart;
        bool com;
    } cases[] = {
        {kInstalled | kSystemOlder | kCannotAccess, true, false},
        {kInstalled | kSystemOlder, false, false},
        {kInstalled | kSystemOlder | kCannotAccess | kFailedBefore, false, false},
        {kInstalled | kSystemOlder | kCannotAccess | kDoneBefore, false, false},
        {kInstalled | kSystemSame | kCannotAccess, false, false},
        {kNotInstalled | kComServer, false, true},
        {kInstalled | kSystemOlder | kComServer, false, true},
        {kInstalled | kSystemOlder | kComServer | kCannotAccess, true, true},
        {kInstalled | kSystemSame | kComServer, false, false},
        {kInstalled | kSystemNewer | kComServer, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NeedsRestart(c.status), c.restart) << std::hex << c.status;
        EXPECT_EQ(IsComToUpdate(c.status), c.com) << std::hex << c.status;
    }
}

TEST(StateAfterLists, Table) {
    struct Case {
        int state;
        bool allow;
        bool restartEmpty;
        bool comEmpty;
        int expected;
    } cases[] = {
        {kStateNothing, true, true, true, kStateNothing},
        {kStateDoneNow, true, true, true, kStateDoneNow},
        {kStateDoneNow, true, false, true, kStateNeedReboot},
        {kStateDoneNow, true, true, false, kStateDoneNow},  // an allowed COM update runs now
        {kStateNothing, false, true, true, kStateNothing},
        {kStateNothing, false, false, true, kStateNeedLogoff},
        {kStateNothing, false, true, false, kStateNeedLogoff},
        {kStateNothing, false, false, false, kStateNeedLogoff},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StateAfterLists(c.state, c.allow, c.restartEmpty, c.comEmpty), c.expected)
            << c.state << " " << c.allow << c.restartEmpty << c.comEmpty;
}

TEST(ReportTexts, Exact) {
    EXPECT_EQ(ListReport(kRestartHeading, {"a.dll", "b.dll"}),
              "Following files should be copied after restarting Windows.\n  a.dll\n  b.dll\n");
    EXPECT_EQ(ListReport(kComHeading, {"c.ocx"}), "Following files are COM servers to be update.\n  c.ocx\n");
    EXPECT_EQ(DeferredReport(kStateNeedReboot),
              "The Process can be done after restarting Windows.\nArkstow.dll returned ARKSTOWRET_NEED_REBOOT\n");
    EXPECT_EQ(DeferredReport(kStateNeedLogoff),
              "The Process can be done after restarting Windows.\nArkstow.dll returned ARKSTOWRET_NEED_LOGOFF\n");
    EXPECT_EQ(RunOnceReport("C:\\T\\Halvorin.exe"), "RunOnce key was set.\n__Halvorin\nC:\\T\\Halvorin.exe\n");
    EXPECT_EQ(std::string(kNowText), "Now, the process can be done.\n");
}

TEST(ReportRecord, HeaderThenReportInTextMode) {
    EXPECT_EQ(ReportRecord("2026/12/09 22:00:01", "a.dll:\n  Installed\n"),
              "[2026/12/09 22:00:01]\r\na.dll:\r\n  Installed\r\n");
    EXPECT_EQ(ReportRecord("t", ""), "[t]\r\n");
}

TEST(ParseIniBool, Table) {
    struct Case {
        const char* text;
        bool fallback;
        bool expected;
    } cases[] = {
        {"1", false, true},   {"0", true, false},   {"", false, false}, {"", true, true},
        {"2", false, true},   {"-1", false, true},  {"0x0", true, false}, {"0x10", false, true},
        {"$1", false, true},  {"yes", false, false}, {"true", true, true}, {" 1 ", false, true},
        {"1a", false, false}, {"00", true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIniBool(c.text, c.fallback), c.expected) << "\"" << c.text << "\" " << c.fallback;
}

}  // namespace
}  // namespace ark::vbrm
