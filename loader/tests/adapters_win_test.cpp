// The Windows adapters against the real platform: the profile reader on a real
// "Message.Ini", folders, the work folder's registry record, the write test
// and free space.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "testing/kit/temp_folder.h"
#include "testing/kit/file_io.h"
#include "loader/msg_ini.h"
#include "loader/settings.h"
#include "loader/win/folders_win.h"
#include "loader/win/platform_win.h"
#include "loader/win/profile_win.h"
#include "shared/base/fs.h"

namespace kb::loader {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string n = data.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

TEST(PrivateProfile, TheRealFileIsUnquotedAndTrimmedByThePlatform) {
    TempDir dir;
    const std::string ini = dir / "Message.Ini";
    ASSERT_TRUE(WriteWholeFile(ini,
                               "[Loader]\r\n"
                               "Count001=2\r\n"
                               "Message0011=\"  quoted keeps blanks  \"\r\n"
                               "Message0012=   unquoted loses them   \r\n"
                               "Message002=  'single quotes'  \r\n"
                               "Count003 = 0x2 \r\n"
                               "Message0031=a\r\n"
                               "Message0032=\r\n"
                               "Count004=\" 1\"\r\n"
                               "Message0041=counted\r\n"
                               "Message005=\"\r\n"
                               "[Font]\r\n"
                               "Charset=  shiftjis_charset  \r\n"
                               "Name=\"Arial Narrow\"\r\n"
                               "Size=$B\r\n"
                               "[Controls]\r\n"
                               "EditHeight=14px\r\n"));
    TMsgIni m(&OpenPrivateProfile);
    m.SetIniFile(ini);
    m.SetKind(2);
    EXPECT_EQ(m.ReadMessage(1), "  quoted keeps blanks  \r\nunquoted loses them");
    EXPECT_EQ(m.ReadMessage(2), "single quotes");
    EXPECT_EQ(m.ReadMessage(3), "a\r\n");  // an empty line is a line, not a missing one
    EXPECT_EQ(m.ReadMessage(4), "counted");
    EXPECT_EQ(m.ReadMessage(5), "\"");
    EXPECT_EQ(m.ReadMessage(6), kLoadMessageError);

    auto reader = OpenPrivateProfile(ini);
    const SkinFontSettings s = LoadFontSettings(reader.get());
    EXPECT_EQ(s.charset, SHIFTJIS_CHARSET);
    EXPECT_EQ(s.name, "Arial Narrow");
    EXPECT_EQ(s.size, 11);
    EXPECT_EQ(s.editHeight, 12);  // "14px" is no number
    EXPECT_EQ(s.gaugeHeight, 0);
}

TEST(PrivateProfile, AMissingFileGivesEveryDefault) {
    TempDir dir;
    TMsgIni m(&OpenPrivateProfile);
    m.SetIniFile(dir / "Message.Ini");
    m.SetKind(2);
    EXPECT_EQ(m.ReadMessage(1), kLoadMessageError);
    auto reader = OpenPrivateProfile(dir / "Message.Ini");
    EXPECT_EQ(LoadFontSettings(reader.get()).name, LoadFontSettings(nullptr).name);
    EXPECT_EQ(FolderEntries(dir.path()).size(), 0u);  // reading made no file
}

TEST(LoaderFolders, ProgramSystemAndTempFolders) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string program = GetProgramDir();
    EXPECT_EQ(program + "\\" + std::string(self).substr(program.size() + 1), self);
    EXPECT_NE(program.back(), '\\');
    EXPECT_NE(GetSystemDir().back(), '\\');
    EXPECT_NE(GetFileAttributesA(GetSystemDir().c_str()), INVALID_FILE_ATTRIBUTES);
    TempDir dir;
    kb::testing::ScopedTempFolder temp(dir.path());
    EXPECT_EQ(GetTempDir(), dir.path() + "\\");
}

TEST(LoaderFolders, TheProbeSkipsTakenNamesAndLeavesTheFolderAsItWas) {
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "~tmp0000").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir / "~tmp0001").c_str(), nullptr));
    WinFolderSystem fs;
    EXPECT_TRUE(IsFolderWritable(fs, dir.path()));
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"~tmp0000", "~tmp0001"}));
    EXPECT_FALSE(IsFolderWritable(fs, dir / "missing\\deeper"));
}

TEST(LoaderFolders, TheWriteTestNeverTouchesAUserFileOfItsName) {
    TempDir dir;
    const std::string user = dir / "MervoLKTQ_DeskPlume_5208_test_file";
    ASSERT_TRUE(WriteWholeFile(user, "the user's own"));
    ASSERT_TRUE(SetFileAttributesA(user.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = GetFileAttributesA(user.c_str());
    WinFolderSystem fs;
    AdminAnswer notAdmin([] { return 0; });
    EXPECT_TRUE(CanWriteTo(fs, notAdmin, dir.path() + "\\", ""));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(user, bytes));
    EXPECT_EQ(bytes, "the user's own");
    EXPECT_EQ(GetFileAttributesA(user.c_str()), attributes);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"MervoLKTQ_DeskPlume_5208_test_file"});

    // A sub-folder that did not exist is made for the test and removed again.
    EXPECT_TRUE(CanWriteTo(fs, notAdmin, dir.path(), "New"));
    EXPECT_EQ(FolderEntries(dir.path()).size(), 1u);
    // A folder that cannot be made.
    EXPECT_FALSE(CanWriteTo(fs, notAdmin, dir / "missing\\deeper", ""));
    SetFileAttributesA(user.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The registry record is the prefix's, shared by every test: each case starts
// from a value of its own and the original is put back.
class WorkFolderRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kWorkFolderKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                                  nullptr),
                  ERROR_SUCCESS);
        DWORD size = sizeof saved_;
        had_ = RegQueryValueExA(key_, kWorkFolderValue, nullptr, &savedType_, saved_, &size) == ERROR_SUCCESS;
        savedSize_ = size;
        RegDeleteValueA(key_, kWorkFolderValue);
    }
    void TearDown() override {
        RegDeleteValueA(key_, kWorkFolderValue);
        if (had_) RegSetValueExA(key_, kWorkFolderValue, 0, savedType_, saved_, savedSize_);
        RegCloseKey(key_);
    }
    void Set(DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key_, kWorkFolderValue, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void SetString(const std::string& value) { Set(REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1)); }
    std::string Recorded() {
        char buffer[MAX_PATH] = {};
        DWORD size = sizeof buffer, type = 0;
        if (RegQueryValueExA(key_, kWorkFolderValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return "(none)";
        return buffer;
    }
    HKEY key_ = nullptr;
    bool had_ = false;
    DWORD savedType_ = 0, savedSize_ = 0;
    BYTE saved_[4096] = {};
    TempDir temp;
    kb::testing::ScopedTempFolder useTemp{temp.path()};
    WinFolderSystem fs;
};

TEST_F(WorkFolderRegistry, NoValueGivesTheTempFolderAndRecordsIt) {
    const std::string work = GetWorkFolder(fs);
    EXPECT_EQ(work, temp / "QZTemp");
    EXPECT_TRUE(fs::FolderExists(work));
    EXPECT_EQ(Recorded(), temp.path() + "\\");
}

TEST_F(WorkFolderRegistry, ValuesThatAreNoUsableStringCountAsMissing) {
    const DWORD number = 7;
    Set(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(GetWorkFolder(fs), temp / "QZTemp");
    EXPECT_EQ(Recorded(), temp.path() + "\\");

    const std::string longValue = "C:\\" + std::string(290, 'x') + "\\";
    SetString(longValue);
    EXPECT_EQ(GetWorkFolder(fs), temp / "QZTemp");
    EXPECT_EQ(Recorded(), temp.path() + "\\");
}

TEST_F(WorkFolderRegistry, AWritableFolderIsUsedAndTheTempFolderRecorded) {
    TempDir other;
    SetString(other.path() + "\\");
    EXPECT_EQ(GetWorkFolder(fs), other / "QZTemp");
    EXPECT_TRUE(fs::FolderExists(other / "QZTemp"));
    // Same drive as the temp folder: the record becomes the temp folder.
    EXPECT_EQ(Recorded(), temp.path() + "\\");
    EXPECT_FALSE(fs::FolderExists(temp / "QZTemp"));
}

TEST_F(WorkFolderRegistry, AFolderThatCannotBeWrittenGivesTheTempFolder) {
    SetString(temp / "no\\such\\folder\\");
    EXPECT_EQ(GetWorkFolder(fs), temp / "QZTemp");
    EXPECT_EQ(Recorded(), temp.path() + "\\");
}

TEST(FreeSpace, TheVolumesTotalFreeBytesAndAFailureForAMissingDrive) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &totalFree));
    const auto free = GetFreeSpace("C:\\");
    ASSERT_TRUE(free.has_value());
    // Other tests write to the same volume meanwhile.
    const int64_t tolerance = 1ll << 30;
    EXPECT_LT(std::llabs(*free - static_cast<int64_t>(totalFree.QuadPart)), tolerance);
    WinFreeSpaceQueries q;
    const auto clusters = q.Clusters("C:\\");
    ASSERT_TRUE(clusters.has_value());
    EXPECT_GT(uint64_t{clusters->bytesPerSector} * clusters->sectorsPerCluster, 0u);

    const DWORD drives = GetLogicalDrives();
    for (char letter = 'K'; letter <= 'X'; ++letter) {
        if (drives & (1u << (letter - 'A'))) continue;
        const std::string root = std::string(1, letter) + ":\\";
        EXPECT_EQ(GetFreeSpace(root), std::nullopt) << root;
        break;
    }
}

}  // namespace
}  // namespace kb::loader
