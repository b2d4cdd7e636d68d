// Unquoting, the integer conversion, the one-argument formatter and the
// message table of the launcher's settings file.
#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/ini_text.h"
#include "launcher/message_table.h"
#include "testing/kit/code_page.h"

namespace kb::launcher {
namespace {

struct TextCase {
    const char* what;
    std::string in;
    std::string out;
};

class SingleByte : public ::testing::Test {
protected:
    void SetUp() override { KB_REQUIRE_SINGLE_BYTE(); }
};

class ShiftJis : public ::testing::Test {
protected:
    void SetUp() override { KB_REQUIRE_CP932(); }
    void TearDown() override { ::kb::testing::UseSingleByteCodePage(); }
};

TEST_F(SingleByte, UnquoteIniValue) {
    const TextCase rows[] = {
        {"empty", "", ""},
        {"one byte", "a", "a"},
        {"one quote", "\"", "\""},
        {"two quotes", "\"\"", ""},
        {"unquoted", "ab", "ab"},
        {"trailing quote of an unquoted value", "ab\"", "ab\""},
        {"enclosed", "\"ab\"", "ab"},
        {"leading quote only", "\"ab", "ab"},
        {"doubled quote", "\"a\"\"b\"", "a\"b"},
        {"quote takes the next byte along", "\"a\"b\"", "a\"b"},
        {"a pair takes the last byte", "\"a\"\"", "a\""},
        {"a pair takes a last letter", "\"a\"x", "a\"x"},
        {"quotes inside an unquoted value", "x\"y\"\"z\"", "x\"y\"\"z\""},
        {"blanks kept", "\" a b \"", " a b "},
        {"lead-range byte before the quote, single-byte page", "\"a\x82\"", "a\x82"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(UnquoteIniValue(r.in), r.out);
    }
}

TEST_F(ShiftJis, UnquoteKeepsAQuoteThatIsATrailByte) {
    const TextCase rows[] = {
        {"quote after a lead byte is its trail byte", "\"a\x82\"", "a\x82\""},
        {"a whole character before a closing quote", "\"\x82\xA0\"", "\x82\xA0"},
        // 0x81 0x81 is one character: its second byte is no lead byte.
        {"trail byte in the lead range before a closing quote", "\"\x81\x81\"", "\x81\x81"},
        {"three lead-range bytes: the quote is a trail byte", "\"\x81\x81\x81\"", "\x81\x81\x81\""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(UnquoteIniValue(r.in), r.out);
    }
}

TEST(IniTextToInt, TheRuntimeRuleWithSaturation) {
    const std::vector<std::tuple<const char*, int>> rows = {
        {"", 0},
        {"0", 0},
        {"100", 100},
        {"  42", 42},
        {"\t\n\v\f\r-7", -7},
        {"+5", 5},
        {"12abc", 12},
        {"abc", 0},
        {"-", 0},
        {"- 3", 0},
        {"0x10", 0},
        {"1 2", 1},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999999", INT_MAX},
        {"-99999999999999999999999999", INT_MIN},
        {"000000000000000000000000123", 123},
    };
    for (const auto& [text, value] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(IniTextToInt(text), value);
    }
}

TEST(IniValueToInt, UnquotesOnceMoreThenConverts) {
    EXPECT_EQ(IniValueToInt("\"100\""), 100);
    EXPECT_EQ(IniValueToInt("\"101"), 101);
    EXPECT_EQ(IniValueToInt(""), 0);  // an empty value is 0, not the default
    EXPECT_EQ(IniValueToInt("'102'"), 0);
    EXPECT_EQ(IniIntDefaultText(100), "100");
    EXPECT_EQ(IniIntDefaultText(-5), "-5");
}

TEST_F(SingleByte, FormatOneArg) {
    const struct {
        const char* what;
        std::string text, arg, out;
    } rows[] = {
        {"one %s", "M3 %s", "SOLMIR", "M3 SOLMIR"},
        {"no conversion", "M10", "X", "M10"},
        {"empty text", "", "X", ""},
        {"%% gives %", "100%%", "X", "100%"},
        {"%%s is a literal %s", "%%s %s", "X", "%s X"},
        {"%%%s", "%%%s", "X", "%X"},
        {"%d copied", "%d %s", "X", "%d X"},
        {"%n copied", "%n%s%n", "X", "%nX%n"},
        {"second %s copied", "%s and %s", "X", "X and %s"},
        {"lone % at the end", "50%", "X", "50%"},
        {"width and flags copied", "%-20s|%s", "X", "%-20s|X"},
        {"upper-case S copied", "%S %s", "X", "%S X"},
        {"argument is not scanned", "[%s]", "%s%n%%", "[%s%n%%]"},
        {"empty argument", "a%sb", "", "ab"},
        {"lead-range byte, single-byte page", "\x81%s=%s", "X", "\x81X=%s"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(FormatOneArg(r.text, r.arg), r.out);
    }
}

TEST_F(ShiftJis, FormatOneArgNeverReadsATrailByteAsPercent) {
    const TextCase rows[] = {
        {"trail byte 0x25 before s", "\x81%s=%s", "\x81%s=X"},
        {"trail byte 0x25 before %", "\x83%%s", "\x83%X"},
        {"lead byte at the end", "%s\x81", "X\x81"},
        {"% before a character", "%\x82\xA0%s", "%\x82\xA0X"},
        {"edition name", "\x83\x66\x83\x42\x83\x58\x83\x4E%s", "\x83\x66\x83\x42\x83\x58\x83\x4EX"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(FormatOneArg(r.in, "X"), r.out);
    }
}

TEST(MessageTable, ReadsTheSixteenKeysInOrderAndKeepsTheFirstText) {
    std::vector<std::string> asked;
    int round = 0;
    IniStringReader read = [&](std::string_view section, std::string_view key, std::string_view def) {
        asked.push_back(std::string(section) + "/" + std::string(key) + "=" + std::string(def));
        return std::string(key) + std::to_string(round);
    };
    MessageTable table;
    EXPECT_EQ(table.GetMessageText(kMsgInvalidOs), "");
    table.LoadMessages(read);
    const std::vector<std::string> expected = {
        "Dialog/Comment=",
        "Dialog/ButtonTitle=",
        "Message/InvalidOs=",
        "Message/AppRunning=",
        "Message/FailMutex=",
        "Message/NoCdRomDrive=",
        "Message/NoDiscInserted=",
        "Message/InvalidDisc=",
        "Message/NoDataWritten=",
        "Message/FailToRetrieveSkin=",
        "Message/FailToRunApp=",
        "Message/EreserRunning=",
        "Message/FailDriverCheck=",
        "Message/NeedDriverInstall=",
        "Message/DownloadSiteUrl=http://www.example.com/driver/",
        "Message/WaitingAppRun=",
    };
    EXPECT_EQ(asked, expected);
    for (int id = 0; id < kMessageCount; ++id) EXPECT_EQ(kMessageKeys[id].id, id);
    EXPECT_EQ(table.GetMessageText(kMsgFailToRunApp), "FailToRunApp0");
    EXPECT_EQ(table.GetMessageText(16), "");
    EXPECT_EQ(table.GetMessageText(-1), "");
    round = 1;
    table.LoadMessages(read);
    EXPECT_EQ(table.GetMessageText(kMsgComment), "Comment0");
}

}  // namespace
}  // namespace kb::launcher
