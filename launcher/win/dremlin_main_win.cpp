// Dremlin.exe: the application object runs the main dialog and the program
// ends with it.
#include <windows.h>

#include "launcher/win/dremlin_dlg_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    kb::launcher::CDremlinApp app;
    app.InitInstance();
    return 0;
}
