// The control file and the password type read through the platform's own
// profile functions, as the loader reads them from an unpacked copy.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "loader/session/disc_layout.h"
#include "loader/session/password.h"
#include "loader/session/sessions.h"
#include "loader/session/tests/session_test_support.h"
#include "loader/session/win/fresh_profile_win.h"

namespace kb::loader {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

TEST(ControlFileOnWindows, QuotedPasswordsKeepTheirBlanksAndMissingKeysTheirDefaults) {
    TempDir dir;
    const std::string ini = dir / "Control.ini";
    ASSERT_TRUE(WriteWholeFile(ini, "[General]\r\nArchive = Data.pck \r\nPassword=\"  pass word  \"\r\n"));
    TSessionS sessions{testing::ByteSortedLists()};
    sessions.ReadControlIni(1, ini, &OpenFreshPrivateProfile);
    EXPECT_EQ(sessions.Session(1).archive, "Data.pck");
    EXPECT_EQ(sessions.Session(1).volumeLabel, "NONE");
    EXPECT_EQ(sessions.Session(1).password, "  pass word  ");

    // The next session's copy is written under the same name: it is read anew.
    ASSERT_TRUE(WriteWholeFile(ini, "[General]\r\nVolumeLabel=SECOND\r\n"));
    sessions.ReadControlIni(2, ini, &OpenFreshPrivateProfile);
    EXPECT_EQ(sessions.Session(2).archive, "Archive");
    EXPECT_EQ(sessions.Session(2).volumeLabel, "SECOND");
    EXPECT_EQ(sessions.Session(2).password, "");
}

TEST(DiscPasswordOnWindows, TheIndexPasswordIsTrimmed) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir / "Sessions.ini", "[General]\r\nPassword=\"  disc word \"\r\n"));
    TPassword p;
    p.ReadPassword(&OpenFreshPrivateProfile, dir / "Sessions.ini");
    EXPECT_EQ(p.password, "disc word");
}

}  // namespace
}  // namespace kb::loader
