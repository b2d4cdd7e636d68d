// A second loader's start as far as the instance guard goes:
// guard_probe <mutex> <window class> <window title>. Exit code 1 when another
// instance runs, 0 when this one got the mutex (released again at once).
#include <windows.h>

#include "loader/instance_guard.h"
#include "loader/win/guard_win.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    kb::loader::WinGuardSystem system;
    kb::loader::InstanceGuard guard(system);
    guard.InitInstanceGuard(argv[1], argv[2], argv[3]);
    return guard.IsAnotherInstanceRunning() ? 1 : 0;
}
