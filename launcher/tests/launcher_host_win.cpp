// A test-only host of the launcher's Windows code, until the launcher program
// exists: each command runs one piece of the real code in a process of its
// own, so tests can drive it from outside as a user would meet it.
//   launcher_host wait-disc <letter> <text>   the wait-for-disc dialog; exit code its result
//   launcher_host version <file>              writes "<code in hex> <supported 0|1> <major>.<minor>"
// The checks that hold state run in Dremlin.exe itself (dremlin_e2e_win_test).
//   launcher_host splash <ini> <text> <fail>  the splash window over the hidden main window,
//                                             as the launcher shows it; holds until ended
//   launcher_host driver-download <ini>       the driver-download dialog with messages 13
//                                             and 14 of ini; exit code its result
// Exit code 100 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher/win/os_version_win.h"
#include "launcher/win/resource.h"
#include "launcher/win/driver_download_dlg_win.h"
#include "launcher/win/settings_win.h"
#include "launcher/win/splash_win.h"
#include "launcher/win/wait_disc_dlg_win.h"

namespace {

using namespace kb::launcher;

constexpr int kBadCommandLine = 100;

INT_PTR CALLBACK MainProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

// The launcher's main window from its own template, as the splash's owner.
HWND ShowMainWindow(int show) {
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DREMLIN_DIALOG), nullptr,
                                     &MainProc, 0);
    if (window) ShowWindow(window, show);
    return window;
}

int HoldUntilEnded() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return kBadCommandLine;
    const std::string command = argv[1];
    if (command == "wait-disc" && argc == 4) {
        CWaitDiscDlg dialog(nullptr);
        dialog.SetDrive(argv[2][0]);
        dialog.SetText(argv[3]);
        return static_cast<int>(dialog.DoModal());
    }
    if (command == "version" && argc == 3) {
        std::FILE* f = std::fopen(argv[2], "wb");
        if (!f) return kBadCommandLine;
        const OsVersionFacts facts = QueryOsVersionFacts();
        std::fprintf(f, "%08X %d %u.%u\n", static_cast<unsigned>(GetOsVersionCode()), IsSupportedVersionCode(GetOsVersionCode()) ? 1 : 0,
                     static_cast<unsigned>(facts.major), static_cast<unsigned>(facts.minor));
        std::fclose(f);
        return 0;
    }
    if (command == "splash" && argc == 5) {
        HWND main = ShowMainWindow(SW_HIDE);
        CSplashDlg splash(main);
        if (!ShowSplashWindow(splash, main, argv[2], argv[3], argv[4])) return 1;
        return HoldUntilEnded();
    }
    if (command == "driver-download" && argc == 3) {
        MessageTable messages;
        const std::string settings = argv[2];
        messages.LoadMessages([&](std::string_view section, std::string_view key, std::string_view def) {
            return ReadIniString(settings, std::string(section).c_str(), std::string(key).c_str(),
                                 std::string(def).c_str());
        });
        CDriverDownloadDlg dialog(nullptr);
        dialog.SetText(messages.GetMessageText(kMsgNeedDriverInstall));
        dialog.SetUrl(messages.GetMessageText(kMsgDownloadSiteUrl));
        return static_cast<int>(dialog.DoModal());
    }
    return kBadCommandLine;
}
