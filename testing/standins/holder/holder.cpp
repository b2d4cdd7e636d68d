// A stand-in of any program of the family for the tests: it holds named
// mutexes and a top-level window of a given class and title until it is ended
// by its process id, or for a given time.
//   holder [--mutex <name>]... [--window <class> <title>] [--minimized]
//          [--for <milliseconds>]
// Mutex names are used as given ("Global\..." for a family program). The
// window's class is registered by the holder; an empty class gives a window of
// the dialog class "#32770", as a dialog program's main window has.
// Exit code 0 after a timed hold, 2 on a bad command line, 3 when a mutex or
// the window could not be made.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

LRESULT CALLBACK TimerProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_TIMER) PostQuitMessage(0);
    return DefWindowProcA(window, message, wp, lp);
}

// The window a test looks for: of the class given (registered here), or a
// dialog window when the class is empty.
HWND MakeWindow(const std::string& windowClass, const std::string& title, bool minimized) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const char* cls = "#32770";
    if (!windowClass.empty()) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &DefWindowProcA;
        wc.hInstance = instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = windowClass.c_str();
        if (!RegisterClassA(&wc)) return nullptr;
        cls = windowClass.c_str();
    }
    HWND window = CreateWindowExA(0, cls, title.c_str(), WS_OVERLAPPEDWINDOW, 60, 60, 240, 120, nullptr, nullptr,
                                  instance, nullptr);
    if (window) ShowWindow(window, minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    return window;
}

// A message-only window that ends the hold when its timer fires.
HWND MakeTimerWindow(DWORD forMs) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &TimerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KbHolderTimer";
    if (!RegisterClassA(&wc)) return nullptr;
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (window && forMs > 0) SetTimer(window, 1, forMs, nullptr);
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> mutexes;
    std::string windowClass, title;
    bool withWindow = false, minimized = false;
    DWORD forMs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mutex" && i + 1 < argc) {
            mutexes.push_back(argv[++i]);
        } else if (arg == "--window" && i + 2 < argc) {
            withWindow = true;
            windowClass = argv[++i];
            title = argv[++i];
        } else if (arg == "--minimized") {
            minimized = true;
        } else if (arg == "--for" && i + 1 < argc) {
            forMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            return 2;
        }
    }
    std::vector<HANDLE> held;
    for (const std::string& name : mutexes) {
        HANDLE h = CreateMutexA(nullptr, FALSE, name.c_str());
        if (!h) return 3;
        held.push_back(h);
    }
    if (withWindow && !MakeWindow(windowClass, title, minimized)) return 3;
    if (!MakeTimerWindow(forMs)) return 3;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    for (HANDLE h : held) CloseHandle(h);
    return 0;
}
