// The loader's command line: the splitter and the switch table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/controller/command_line.h"

namespace kb::loader {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineSplit, BlanksSeparateAndQuotesGroup) {
    struct Case {
        const char* line;
        Args args;
    };
    const Case cases[] = {
        {"lumarforutil.exe /D:Q /H:1234", {"lumarforutil.exe", "/D:Q", "/H:1234"}},
        {"\"C:\\Program Files\\x.exe\"  /L:\"a b\"c\t/A:ZEPQUA ", {"C:\\Program Files\\x.exe", "/L:a bc", "/A:ZEPQUA"}},
        {"x.exe \"\" /D:Q", {"x.exe", "/D:Q"}},
        {"x.exe /L:\"open", {"x.exe", "/L:open"}},
        {"x.exe a\\\"b", {"x.exe", "a\\b"}},
        {"", {}},
        {"  \t ", {}},
        {"x.exe \x83\x5C /D:Q", {"x.exe", "\x83\x5C", "/D:Q"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

TEST(CommandLineSwitch, ValueFromTheFourthCharacter) {
    EXPECT_EQ(GetSwitchValue("/D:Q"), "Q");
    EXPECT_EQ(GetSwitchValue("x/D:Q"), ":Q");
    EXPECT_EQ(GetSwitchValue("/D:"), "");
    EXPECT_EQ(GetSwitchValue("/D"), "");
}

TEST(CommandLineParse, TheSwitchTable) {
    struct Case {
        Args args;
        intptr_t caller;
        const char* drive;
        RunMode mode;
        int left, top, edition;
        const char* label;
    };
    const RunMode L = RunMode::Lumar, S = RunMode::Scrivane;
    const int C = kCentred;
    const Case cases[] = {
        {{}, 0, "C:", L, C, C, 0, ""},
        {{"/D:q", "/H:1234", "/A:ZEPQUA"}, 1234, "q:", L, C, C, 1, ""},
        {{"/a:zepqua"}, 0, "C:", L, C, C, 0, ""},
        {{"/A:CRYVANE"}, 0, "C:", L, C, C, 2, ""},
        {{"/A:ZEPQUA", "/A:other"}, 0, "C:", L, C, C, 1, ""},
        {{"/A:ZEPQUA", "/A:SOLMIR"}, 0, "C:", L, C, C, 0, ""},
        {{"x/D:Q"}, 0, "::", L, C, C, 0, ""},
        {{"/d:Drive"}, 0, "D:", L, C, C, 0, ""},
        {{"/S:scrivane"}, 0, "C:", S, C, C, 0, ""},
        {{"/S:"}, 0, "C:", L, C, C, 0, ""},
        {{"/S:SCRIVANE", "/S:LUMAR"}, 0, "C:", L, C, C, 0, ""},
        {{"/X:-2000", "/Y:100"}, 0, "C:", L, C, 100, 0, ""},
        {{"/X:15", "/Y:-30"}, 0, "C:", L, 15, -30, 0, ""},
        {{"/L:Keep Case"}, 0, "C:", L, C, C, 0, "Keep Case"},
        {{"unknown", "/Q:1", "D:"}, 0, "C:", L, C, C, 0, ""},
        // The first switch of the table found anywhere takes the argument.
        {{"/D:/H:5"}, 0, "C:", L, C, C, 0, ""},
        {{"/A:/D:E"}, 0, "/:", L, C, C, 0, ""},
        // Values that are not numbers, and an empty drive, keep what was there.
        {{"/H:abc", "/X:12px", "/Y:", "/D:"}, 0, "C:", L, C, C, 0, ""},
        {{"/H:99", "/H:0x10", "/X:5", "/X:five"}, 99, "C:", L, 5, C, 0, ""},
        {{"/X:3000000000"}, 0, "C:", L, C, C, 0, ""},
        {{"/H:-5"}, -5, "C:", L, C, C, 0, ""},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& a : c.args) shown += a + " ";
        const CommandLine r = ParseCommandLine(c.args, "C:\\Work\\QZTemp\\lumarforutil.exe");
        EXPECT_EQ(r.callerWnd, c.caller) << shown;
        EXPECT_EQ(r.driveRoot, c.drive) << shown;
        EXPECT_EQ(r.runMode, c.mode) << shown;
        EXPECT_EQ(r.windowLeft, c.left) << shown;
        EXPECT_EQ(r.windowTop, c.top) << shown;
        EXPECT_EQ(r.edition, c.edition) << shown;
        EXPECT_EQ(r.label, c.label) << shown;
    }
}

TEST(CommandLineParse, WithoutDTheDiscIsTheLoadersOwnDrive) {
    EXPECT_EQ(ParseCommandLine({}, "e:\\QZTemp\\lumarforutil.exe").driveRoot, "e:");
}

}  // namespace
}  // namespace kb::loader
