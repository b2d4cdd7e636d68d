// The wait-for-disc dialog as the user meets it, run by with_cdrom.sh: the
// launcher's dialog on the CD-ROM drive of the rig ends with IDOK, on a letter
// whose volume query fails with IDCANCEL, and closed by the user with IDCANCEL;
// Escape and Enter change nothing. A screenshot of the dialog is kept.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/resource.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::launcher {
namespace {

using testing::BesideTest;
using testing::Child;
using testing::kDeadlineMs;

char CdRomLetter() {
    const char* letter = std::getenv("KB_CDROM_LETTER");
    return letter && *letter ? static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0]))) : 0;
}

// A letter with nothing mapped: its volume query fails.
char UnmappedLetter() {
    for (char c = 'Y'; c > 'C'; --c)
        if (GetDriveTypeA((std::string(1, c) + ":\\").c_str()) == DRIVE_NO_ROOT_DIR) return c;
    return 0;
}

HWND WaitForDialog(DWORD pid) {
    uidriver::WindowQuery query;
    query.windowClass = "#32770";
    query.pid = pid;
    return uidriver::WaitForTopWindow(query, kDeadlineMs);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

TEST(WaitDiscOnTheRig, AReadableDiscEndsTheDialogWithOk) {
    const char letter = CdRomLetter();
    ASSERT_NE(letter, 0) << "run by with_cdrom.sh, which sets KB_CDROM_LETTER";
    ASSERT_EQ(GetDriveTypeA((std::string(1, letter) + ":\\").c_str()), static_cast<UINT>(DRIVE_CDROM));
    const ULONGLONG start = GetTickCount64();
    Child host(BesideTest("launcher_host.exe"), "wait-disc " + std::string(1, letter) + " " + Quoted("Waiting for the disc"));
    HWND dialog = WaitForDialog(host.Pid());
    ASSERT_TRUE(dialog);
    HWND text = uidriver::FindChild(dialog, IDC_STATIC_WAIT_TEXT);
    ASSERT_TRUE(text);
    EXPECT_EQ(uidriver::TextOf(text), "Waiting for the disc");
    EXPECT_EQ(uidriver::TextOf(dialog), "") << "no caption";
    EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_FALSE(IsWindowVisible(uidriver::FindChild(dialog, IDOK)));
    EXPECT_FALSE(IsWindowVisible(uidriver::FindChild(dialog, IDCANCEL)));
    // The text is painted dark on the dialog's face: a few of its pixels differ
    // from the corner's colour.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(uidriver::CaptureWindow(dialog, pixels, width, height));
    CreateDirectoryA(BesideTest("screenshots").c_str(), nullptr);
    EXPECT_TRUE(uidriver::WritePng(BesideTest("screenshots\\wait_disc_dialog.png"), pixels, width, height));
    ASSERT_GT(width, 0);
    const uint32_t face = pixels[static_cast<size_t>(width) * 4 + 4];
    int differing = 0;
    for (int x = width / 4; x < width * 3 / 4; ++x)
        for (int y = height / 3; y < height * 2 / 3; ++y)
            if (pixels[static_cast<size_t>(y) * width + x] != face) ++differing;
    EXPECT_GT(differing, 10) << "the text shows in the middle of the dialog";

    DWORD code = 99;
    ASSERT_TRUE(host.WaitExit(kDeadlineMs, code));
    EXPECT_EQ(code, static_cast<DWORD>(IDOK));
    EXPECT_GE(GetTickCount64() - start, 1400u);
}

TEST(WaitDiscOnTheRig, ALetterWhoseQueryFailsEndsTheDialogWithCancel) {
    const char letter = UnmappedLetter();
    ASSERT_NE(letter, 0);
    Child host(BesideTest("launcher_host.exe"), "wait-disc " + std::string(1, letter) + " Waiting");
    HWND dialog = WaitForDialog(host.Pid());
    ASSERT_TRUE(dialog);
    testing::PressKey(dialog, VK_ESCAPE);
    testing::PressKey(dialog, VK_RETURN);
    DWORD code = 99;
    ASSERT_TRUE(host.WaitExit(kDeadlineMs, code));
    EXPECT_EQ(code, static_cast<DWORD>(IDCANCEL)) << "neither key ends it; the failed query does";
}

TEST(WaitDiscOnTheRig, TheUserClosesTheDialog) {
    const char letter = CdRomLetter();
    ASSERT_NE(letter, 0);
    Child host(BesideTest("launcher_host.exe"), "wait-disc " + std::string(1, letter) + " Waiting");
    HWND dialog = WaitForDialog(host.Pid());
    ASSERT_TRUE(dialog);
    uidriver::AskToClose(dialog);
    DWORD code = 99;
    ASSERT_TRUE(host.WaitExit(kDeadlineMs, code));
    EXPECT_EQ(code, static_cast<DWORD>(IDCANCEL));
}

}  // namespace
}  // namespace kb::launcher
