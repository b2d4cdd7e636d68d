// A test-only host of the launcher's Windows code, until the launcher program
// exists: each command runs one piece of the real code in a process of its
// own, so tests can drive it from outside as a user would meet it.
//   launcher_host wait-disc <letter> <text>   the wait-for-disc dialog; exit code its result
//   launcher_host version <file>              writes "<code in hex> <supported 0|1> <major>.<minor>"
// The checks that hold state run in Dremlin.exe itself (dremlin_e2e_win_test).
// Exit code 100 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher/win/os_version_win.h"
#include "launcher/win/settings_win.h"
#include "launcher/win/wait_disc_dlg_win.h"

namespace {

using namespace kb::launcher;

constexpr int kBadCommandLine = 100;

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
        std::fprintf(f, "%08X %d %u.%u\n", static_cast<unsigned>(GetOsVersionCode()), IsSupportedWindows() ? 1 : 0,
                     static_cast<unsigned>(facts.major), static_cast<unsigned>(facts.minor));
        std::fclose(f);
        return 0;
    }
    return kBadCommandLine;
}
