// The sample disc read back with the pack library: the index and control
// packs under the fixed password, the content packs' entries, Files.lst.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/kit/temp_folder.h"
#include "testing/kit/file_io.h"
#include "packlib/kabbit_app.h"
#include "shared/base/dbcs.h"
#include "testing/builders/disc_builder.h"

namespace kb::testing::disc {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;

std::vector<std::string> EntryNames(const std::string& packPath, const std::string& password) {
    pack::CKabbitApp app;
    std::vector<char> names(65536);
    std::vector<uint8_t> flags(pack::kLastFlagIndex + 1);
    std::vector<uint32_t> sizes(1024);
    const int n = app.EnumFiles(packPath.c_str(), names.data(), static_cast<int>(names.size()), flags.data(),
                                sizes.data(), static_cast<int>(sizes.size() * sizeof(uint32_t)), password.c_str());
    std::vector<std::string> result;
    for (size_t i = 0; n > 0 && i < names.size() && names[i];) {
        result.emplace_back(&names[i]);
        i += result.back().size() + 1;
    }
    return result;
}

int Unpack(const std::string& packPath, const std::string& dest, const std::string& entry,
           const std::string& password) {
    pack::CKabbitApp app;
    if (const int rc = app.UnPack(packPath.c_str(), dest.c_str(), entry.c_str(), password.c_str())) return rc;
    app.WaitForWorker();
    return app.GetProgress(nullptr);
}

class SampleDiscTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(WriteDisc(SampleDisc(), disc.path(), work.path()), 0);
    }
    TempDir disc, work, out;
};

TEST_F(SampleDiscTest, TheIndexAndControlPacksOpenWithTheFixedPassword) {
    EXPECT_EQ(EntryNames(disc / "Sessions.Pck", kIndexPasswordEditions02),
              std::vector<std::string>{"Sessions.ini.cmp"});
    ASSERT_EQ(Unpack(disc / "Sessions.Pck", out.path(), "Sessions.ini.cmp", kIndexPasswordEditions02), 101);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(out / "Sessions.ini", text));
    EXPECT_EQ(text, "[General]\r\nPassword=Sample-Disc-Password\r\n");

    ASSERT_EQ(Unpack(disc / "Session03\\Control.pck", out.path(), "Control.ini.cmp", kIndexPasswordEditions02), 101);
    ASSERT_TRUE(ReadWholeFile(out / "Control.ini", text));
    EXPECT_EQ(text, "[General]\r\nArchive=Data.pck\r\nVolumeLabel=SAMPLE 3\r\nPassword=\r\n");
    EXPECT_FALSE(kb::testing::FileExists(disc / "Session02"));
    EXPECT_FALSE(kb::testing::FileExists(disc / "PasswordType"));
}

TEST_F(SampleDiscTest, ContentEntriesAreCompressedOrPlainAndUnpackUnderTheDiscPassword) {
    std::vector<std::string> expected = {"Docs.cmp", "readme.txt.cmp", "notes, old.txt.cmp", "plain.dat"};
    if (platform::IsLeadByte(0x95)) expected.push_back("\x95\x5C.cmp");
    EXPECT_EQ(EntryNames(disc / "Session01\\Archive", "Sample-Disc-Password"), expected);
    ASSERT_EQ(Unpack(disc / "Session01\\Archive", out.path(), "Docs.cmp", "Sample-Disc-Password"), 101);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(out / "Docs\\Sub\\b.bin", bytes));
    EXPECT_EQ(bytes, std::string(70000, 'b'));
    ASSERT_EQ(Unpack(disc / "Session01\\Archive", out.path(), "plain.dat", "Sample-Disc-Password"), 101);
    ASSERT_TRUE(ReadWholeFile(out / "plain.dat", bytes));
    EXPECT_EQ(bytes, "stored as it is");
    EXPECT_EQ(EntryNames(disc / "Session03\\Data.pck", "Sample-Disc-Password"),
              std::vector<std::string>{"only.txt.cmp"});
}

TEST_F(SampleDiscTest, FilesLstHasEntryRowsThenSummaryRows) {
    std::string text;
    ASSERT_TRUE(ReadWholeFile(disc / "Session01\\Files.lst", text));
    std::string expected =
        "Docs\\,0,1\r\n"
        "Docs\\a.txt,7,0\r\n"
        "Docs\\Sub\\,0,1\r\n"
        "Docs\\Sub\\b.bin,70000,0\r\n"
        "readme.txt,9,0\r\n"
        "\"notes, old.txt\",21,0\r\n"
        "plain.dat,15,0\r\n";
    if (platform::IsLeadByte(0x95)) expected += "\x95\x5C\\,0,1\r\n\x95\x5C\\\x83\x5C.txt,19,0\r\n";
    expected +=
        "Docs,70007,2,0\r\n"
        "readme.txt,9,2,0\r\n"
        "\"notes, old.txt\",21,2,0\r\n"
        "plain.dat,15,2,0\r\n";
    if (platform::IsLeadByte(0x95)) expected += "\x95\x5C,19,2,0\r\n";
    EXPECT_EQ(text, expected);
}

TEST(DiscBuilder, MultiDiscsUseEachSessionsPasswordAndEditionOneItsIndexPassword) {
    TempDir disc, work;
    DiscLayout layout;
    layout.edition = 1;
    layout.passwordType = "multi";
    layout.discPassword = "unused-disc-password";
    DiscSession s;
    s.number = 20;
    s.password = "session-password";
    s.files = {{"x.txt", "x"}};
    DiscSession bare;
    bare.number = 2;
    bare.withFilesLst = false;
    bare.password = "another-password";
    bare.files = {{"y.txt", "y"}};
    layout.sessions = {s, bare};
    ASSERT_EQ(WriteDisc(layout, disc.path(), work.path()), 0);
    EXPECT_EQ(EntryNames(disc / "Sessions.Pck", kIndexPasswordEdition1), std::vector<std::string>{"Sessions.ini.cmp"});
    EXPECT_EQ(EntryNames(disc / "Session20\\Control.pck", kIndexPasswordEdition1),
              std::vector<std::string>{"Control.ini.cmp"});
    EXPECT_EQ(EntryNames(disc / "Session20\\Archive", "session-password"), std::vector<std::string>{"x.txt.cmp"});
    EXPECT_FALSE(kb::testing::FileExists(disc / "Session02\\Files.lst"));
    std::string type;
    ASSERT_TRUE(ReadWholeFile(disc / "PasswordType\\PasswordType.Ini", type));
    EXPECT_EQ(type, "[Password]\r\nType=multi\r\n");
}

TEST(DiscBuilder, FilesBesideTheSessionsAreWrittenAsGiven) {
    TempDir disc, work;
    DiscLayout layout;
    layout.withSessionsPck = false;
    layout.rootFiles = {{"Launcher\\", ""}, {"Launcher\\Default\\", ""}, {"Launcher\\Default\\Splash.arc", "splash"}};
    ASSERT_EQ(WriteDisc(layout, disc.path(), work.path()), 0);
    std::string splash;
    ASSERT_TRUE(ReadWholeFile(disc / "Launcher\\Default\\Splash.arc", splash));
    EXPECT_EQ(splash, "splash");
    // A file whose folder is missing is reported, not skipped.
    layout.rootFiles = {{"Missing\\x.txt", "x"}};
    TempDir disc2, work2;
    EXPECT_EQ(WriteDisc(layout, disc2.path(), work2.path()), -1);
}

}  // namespace
}  // namespace kb::testing::disc
