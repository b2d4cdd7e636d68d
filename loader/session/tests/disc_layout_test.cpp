// The disc layout's names, the password type and the disc-wide password.
#include <gtest/gtest.h>

#include <string>

#include "loader/session/disc_layout.h"
#include "loader/session/password.h"
#include "loader/session/tests/session_test_support.h"
#include "loader/tests/memory_profile.h"
#include "shared/base/fs.h"

namespace kb::loader {
namespace {

using testing::FileExists;
using testing::TempDir;
using testing::WriteWholeFile;
using testing::MemoryProfiles;

TEST(DiscLayout, SessionFoldersAreNumberedWithTwoDigits) {
    EXPECT_EQ(SessionFolderName(1), "Session01");
    EXPECT_EQ(SessionFolderName(20), "Session20");
}

TEST(DiscLayout, UpperCaseAnsiTouchesOnlyAsciiLetters) {
    EXPECT_EQ(UpperCaseAnsi("/s:scrivane"), "/S:SCRIVANE");
    EXPECT_EQ(UpperCaseAnsi(std::string("\x83\x61z\xe0", 4)), std::string("\x83\x41Z\xe0", 4));
}

TEST(PasswordTypeFile, MultiInAnyCaseSelectsOnePasswordPerSession) {
    struct Case {
        const char* value;  // nullptr: no file
        PasswordType expected;
    };
    const Case cases[] = {
        {"MULTI", PasswordType::Multi}, {"multi", PasswordType::Multi}, {"MuLtI", PasswordType::Multi},
        {"SINGLE", PasswordType::Single}, {"", PasswordType::Single},   {"MULTI2", PasswordType::Single},
        {nullptr, PasswordType::Single},
    };
    for (const Case& c : cases) {
        MemoryProfiles files;
        if (c.value) files["Q:\\PasswordType\\PasswordType.Ini"].Set("Password", "Type", c.value);
        EXPECT_EQ(ReadPasswordType("Q:", files.Opener()), c.expected) << (c.value ? c.value : "(no file)");
    }
}

TEST(PasswordTypeFile, IsReadAnewOnEveryQuery) {
    MemoryProfiles files;
    files["Q:\\PasswordType\\PasswordType.Ini"].Set("Password", "Type", "multi");
    EXPECT_TRUE(IsMultiPassword("Q:", files.Opener()));
    files["Q:\\PasswordType\\PasswordType.Ini"].Set("Password", "Type", "single");
    EXPECT_FALSE(IsMultiPassword("Q:", files.Opener()));
    EXPECT_EQ(files.openings, 2);
}

TEST(DiscPassword, IsTrimmedOfBlanksAndControlCharacters) {
    MemoryProfiles files;
    files["x\\Sessions.ini"].Set("General", "Password", " \t secret word \r ");
    TPassword p;
    EXPECT_TRUE(p.ReadPassword(files.Opener(), "x\\Sessions.ini"));
    EXPECT_EQ(p.password, "secret word");
    EXPECT_TRUE(p.ReadPassword(files.Opener(), "x\\missing.ini"));
    EXPECT_EQ(p.password, "");
    EXPECT_FALSE(p.passwordGiven);
}

TEST(DiscPassword, DeletesTheUnpackedFilesOnlyWhenTheyAreFiles) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir / "Sessions.ini", "[General]\r\n"));
    ASSERT_TRUE(WriteWholeFile(dir / "copy.ini", "[General]\r\n"));
    TPassword p;
    p.unpackedFile = dir / "copy.ini";
    p.DeleteUnpackedFiles(dir / "Sessions.ini");
    EXPECT_FALSE(FileExists(dir / "Sessions.ini"));
    EXPECT_FALSE(FileExists(dir / "copy.ini"));

    // A folder of that name stays; a missing file is no error.
    ASSERT_TRUE(fs::CreateFolder(dir / "Sessions.ini"));
    p.DeleteUnpackedFiles(dir / "Sessions.ini");
    EXPECT_TRUE(FileExists(dir / "Sessions.ini"));
}

}  // namespace
}  // namespace kb::loader
