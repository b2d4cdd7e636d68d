// Dremlin.exe: the application object runs the main dialog and the program
// ends with it.
#include <windows.h>

#include "launcher/win/dremlin_dlg_win.h"
#include "shared/win/common_controls.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // From the system folder only, before any window is made.
    kb::win::comctl::Load();
    kb::launcher::CDremlinApp app;
    app.InitInstance();
    return 0;
}
