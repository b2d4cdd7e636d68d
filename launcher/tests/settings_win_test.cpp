// The settings readers on real files through the platform's profile reader,
// the message table read from a file, and the file and folder helpers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"
#include "launcher/message_table.h"
#include "testing/kit/code_page.h"
#include "launcher/win/settings_win.h"

namespace kb::launcher {
namespace {

using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

class SettingsFile : public ::testing::Test {
protected:
    void Write(const std::string& text) { ASSERT_TRUE(WriteWholeFile(path_, text)); }
    TempDir dir_;
    const std::string path_ = dir_ / "Dremlin.ini";
};

TEST_F(SettingsFile, StringValuesPassTheReaderThenTheLaunchersUnquoting) {
    Write("[Initial]\r\n"
          "Plain=text\r\n"
          "Spaced =   inner  blanks stay   \r\n"
          "Quoted=\"quoted text\"\r\n"
          "Single='single quoted'\r\n"
          "Doubled=\"a\"\"b\"\r\n"
          "OpenQuote=\"ab\r\n"
          "CloseQuote=ab\"\r\n"
          "Empty=\r\n"
          "OneQuote=\"\r\n");
    struct Row {
        const char* key;
        const char* expected;
    };
    // The reader itself drops one pair of enclosing quotes and the blanks
    // around a value; the launcher's unquoting then sees what remains.
    const Row rows[] = {
        {"Plain", "text"},
        {"Spaced", "inner  blanks stay"},
        {"Quoted", "quoted text"},
        {"Single", "single quoted"},
        {"Doubled", "a\"\"b"},
        {"OpenQuote", "ab"},
        {"CloseQuote", "ab\""},
        {"Empty", ""},
        {"OneQuote", "\""},
        {"Missing", "the default"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ReadIniString(path_, "Initial", row.key, "the default"), row.expected) << row.key;
}

TEST_F(SettingsFile, IntegersFollowTheRuntimeConversionAndTheDefaultOnlyForAMissingKey) {
    Write("[SplashWindow]\r\nWidth=\"640\"\r\nHeight='480'\r\nStrSize=\r\nLeft=  -12px\r\nTop=abc\r\n"
          "StrColor=99999999999\r\n");
    EXPECT_EQ(ReadIniInt(path_, "SplashWindow", "Width", 400), 640);
    EXPECT_EQ(ReadIniInt(path_, "SplashWindow", "Height", 300), 480);
    EXPECT_EQ(ReadIniInt(path_, "SplashWindow", "StrSize", 9), 0) << "present but empty is not missing";
    EXPECT_EQ(ReadIniInt(path_, "SplashWindow", "Left", 0), -12);
    EXPECT_EQ(ReadIniInt(path_, "SplashWindow", "Top", 7), 0);
    EXPECT_EQ(ReadIniInt(path_, "SplashWindow", "StrColor", 0), 2147483647) << "saturates";
    EXPECT_EQ(ReadIniInt(path_, "SplashWindow", "StrLeft", 9), 9);
    EXPECT_EQ(ReadIniInt(path_, "Initial", "TargetApp", 100), 100);
    EXPECT_EQ(ReadIniInt(path_, "Initial", "TargetApp", -5), -5);
}

TEST_F(SettingsFile, AValueIsReadUpTo1023Bytes) {
    const std::string exact(1023, 'x');
    const std::string longer = std::string(1023, 'y') + std::string(477, 'z');
    Write("[Message]\r\nExact=" + exact + "\r\nLonger=" + longer + "\r\n");
    EXPECT_EQ(ReadIniString(path_, "Message", "Exact", ""), exact);
    const std::string cut = ReadIniString(path_, "Message", "Longer", "");
    EXPECT_EQ(cut.size(), 1023u);
    EXPECT_EQ(cut, longer.substr(0, 1023));
}

TEST_F(SettingsFile, AMissingFileGivesEveryDefault) {
    EXPECT_EQ(ReadIniString(dir_ / "none.ini", "Initial", "MsgForPrepare", "d"), "d");
    EXPECT_EQ(ReadIniInt(dir_ / "none.ini", "Initial", "TargetApp", 100), 100);
}

TEST_F(SettingsFile, TheMessageTableReadsItsSixteenKeysFromTheFile) {
    Write("[Dialog]\r\nComment=M0\r\nButtonTitle=\"M1\"\r\n"
          "[Message]\r\nInvalidOs=M2\r\nAppRunning=M3 %s\r\nEreserRunning=M11\r\nWaitingAppRun=M15\r\n");
    // The start sequence's reading: the table through the platform's profile reader.
    MessageTable table;
    EXPECT_EQ(table.GetMessageText(kMsgComment), "") << "nothing before LoadMessages";
    table.LoadMessages([&](std::string_view section, std::string_view key, std::string_view def) {
        return ReadIniString(path_, std::string(section).c_str(), std::string(key).c_str(), std::string(def).c_str());
    });
    EXPECT_EQ(table.GetMessageText(kMsgComment), "M0");
    EXPECT_EQ(table.GetMessageText(kMsgButtonTitle), "M1");
    EXPECT_EQ(table.GetMessageText(kMsgInvalidOs), "M2");
    EXPECT_EQ(table.GetMessageText(kMsgAppRunning), "M3 %s");
    EXPECT_EQ(table.GetMessageText(kMsgEreserRunning), "M11");
    EXPECT_EQ(table.GetMessageText(kMsgWaitingAppRun), "M15");
    EXPECT_EQ(table.GetMessageText(kMsgFailMutex), "") << "missing key";
    EXPECT_FALSE(table.GetMessageText(kMsgDownloadSiteUrl).empty()) << "the one default that is not empty";
    EXPECT_EQ(table.GetMessageText(16), "");
}

TEST(FileHelpers, IsExistingFileAnswersForFilesOnly) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir / "Dremlin.ini", "[Initial]\r\n"));
    ASSERT_TRUE(CreateDirectoryA((dir / "Folder").c_str(), nullptr));
    EXPECT_TRUE(IsExistingFile(dir / "Dremlin.ini"));
    EXPECT_TRUE(IsExistingFile(dir / "Dremlin.ini\\"));
    EXPECT_FALSE(IsExistingFile(dir / "Folder"));
    EXPECT_FALSE(IsExistingFile(dir / "Folder\\"));
    EXPECT_FALSE(IsExistingFile(dir / "missing.ini"));
    EXPECT_FALSE(IsExistingFile(""));
}

TEST(FileHelpers, FoldersOfPaths) {
    ::kb::testing::UseSingleByteCodePage();
    EXPECT_EQ(StripTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_EQ(StripTrailingBackslash("C:\\a"), "C:\\a");
    EXPECT_EQ(StripTrailingBackslash(""), "");
    EXPECT_EQ(GetModuleFolder("C:\\Disc\\Launcher\\Dremlin.exe"), "C:\\Disc\\Launcher\\");
    EXPECT_EQ(GetModuleFolder("C:Dremlin.exe"), "C:");
    EXPECT_EQ(GetModuleFolder("\\\\server\\share/Dremlin.exe"), "\\\\server\\share/");
    const std::string temp = GetTempFolder();
    char expected[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, expected);
    EXPECT_EQ(temp, expected);
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
}

// "表" is 0x95 0x5C in code page 932: its trail byte is no separator.
TEST(ShiftJisFileHelpers, ATrailByteBackslashIsNoSeparator) {
    KB_REQUIRE_CP932();
    const std::string folder = "C:\\\x95\x5C";
    EXPECT_EQ(StripTrailingBackslash(folder), folder);
    EXPECT_EQ(StripTrailingBackslash(folder + "\\"), folder);
    EXPECT_EQ(GetModuleFolder(folder), "C:\\");
    EXPECT_EQ(GetModuleFolder(folder + "\\a.exe"), folder + "\\");
}

}  // namespace
}  // namespace kb::launcher
