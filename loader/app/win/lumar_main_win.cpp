// LumarForUtil.exe: one loader per machine; a second start only brings the
// running one to the front.
#include <windows.h>

#include <string>
#include <vector>

#include "loader/app/win/main_form_win.h"
#include "loader/controller/command_line.h"
#include "loader/instance_guard.h"
#include "loader/skin/win/application.h"
#include "loader/win/guard_win.h"
#include "shared/win/common_controls.h"

using namespace kb::loader;

namespace {

std::string ProgramPath() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // From the system folder only, before any window is made.
    kb::win::comctl::Load();
    WinGuardSystem guardSystem;
    InstanceGuard guard(guardSystem);
    guard.InitInstanceGuard(kLoaderMutex, kLoaderWindowClass, kLoaderWindowTitle);
    if (guard.IsAnotherInstanceRunning()) return 0;

    if (!ui::App().Initialize(kLoaderWindowTitle)) return 1;
    {
        std::vector<std::string> arguments = SplitCommandLine(GetCommandLineA());
        if (!arguments.empty()) arguments.erase(arguments.begin());
        TfrmMain form;
        ui::App().SetMainForm(&form);
        const RunMode mode = form.Create(arguments, ProgramPath());
        if (mode == RunMode::Scrivane) {
            form.Controller().RunWriterMode();
        } else if (!ui::App().Terminated()) {
            form.Show();
            ui::App().Run();
        }
    }
    ui::App().Shutdown();
    guard.ReleaseInstanceGuard();
    return 0;
}
