// A second Dremlin.exe while the first one waits minimised for Run: the
// second ends without a word and the first one's dialog is restored and is
// the foreground window. Runs on the launcher's CD-ROM rig with the
// stand-ins (KB_STANDIN_LOG), driven from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "launcher/tests/dremlin_fixture_win.h"
#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/resource.h"
#include "launcher/win/work_folder_win.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::launcher {
namespace {

using testing::Child;
using testing::kDeadlineMs;
using testing::LauncherFolder;
using testing::LauncherFolderOptions;
using testing::WaitUntil;
using testing::WorkFolder;

bool RigPresent() {
    char value[8] = {};
    return GetEnvironmentVariableA("KB_CDROM_LETTER", value, sizeof value) > 0;
}

// The main dialog of launcher once its start sequence has shown it.
HWND WaitForMainDialog(const Child& launcher) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w : uidriver::FindTopWindows({"#32770", "Dremlin", launcher.Pid()})) {
            RECT r;
            if (GetWindowRect(w, &r) && r.right - r.left > 0 && uidriver::FindChild(w, IDC_BUTTON_RUN)) {
                found = w;
                return true;
            }
        }
        return false;
    });
    return found;
}

class DremlinSecondStart : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RigPresent()) GTEST_SKIP() << "needs the CD-ROM rig";
        DeleteFolderTree(WorkFolder());
        SetEnvironmentVariableA("KB_STANDIN_LOG", (logDir_ / "calls.log").c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("KB_STANDIN_LOG", nullptr);
        DeleteFolderTree(WorkFolder());
    }
    kb::testing::TempDir logDir_;
};

TEST_F(DremlinSecondStart, RestoresTheMinimisedFirstAndBringsItToTheFront) {
    LauncherFolder folder(LauncherFolderOptions(103, true));
    ASSERT_TRUE(folder.ok());
    Child first(folder.Exe(), "");
    const HWND dialog = WaitForMainDialog(first);
    ASSERT_TRUE(dialog);

    ShowWindow(dialog, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(dialog) != FALSE; }));
    Child second(folder.Exe(), "");
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(kDeadlineMs, code)) << "a message box would keep it running";
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(WaitUntil([&] {
        return !IsIconic(dialog) && IsWindowVisible(dialog) && GetForegroundWindow() == dialog;
    })) << "iconic " << IsIconic(dialog) << ", foreground '" << uidriver::TitleOf(GetForegroundWindow()) << "'";
    EXPECT_FALSE(first.WaitExit(0, code));

    ASSERT_TRUE(uidriver::AskToClose(dialog));
    ASSERT_TRUE(first.WaitExit(kDeadlineMs, code));
}

}  // namespace
}  // namespace kb::launcher
