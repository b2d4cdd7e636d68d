#include "testing/standins/program_standin.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kb::standins {
namespace {

// The hand-off answer: the started program's start-up has ended.
constexpr UINT kHandOffClose = 0x1403;
constexpr UINT kHoldLimitMs = 120000;

std::string Env(const char* name) {
    char value[1024] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool Listed(const char* variable, const char* name) {
    const std::string list = "," + Lower(Env(variable)) + ",";
    return list.find("," + Lower(name) + ",") != std::string::npos;
}

void Record(const ProgramIdentity& id) {
    std::string log = Env("KB_STANDIN_LOG");
    if (log.empty()) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        log = self;
        log = log.substr(0, log.find_last_of('\\') + 1) + id.name + ".calls";
    }
    if (std::FILE* f = std::fopen(log.c_str(), "ab")) {
        std::fprintf(f, "%s|%lu|%s\n", id.name, GetCurrentProcessId(), GetCommandLineA());
        std::fclose(f);
    }
}

// The window handle after "/H:" (any case) in one of the arguments, or 0.
HWND CallerWindow() {
    for (int i = 1; i < __argc; ++i) {
        const std::string arg = __argv[i];
        const size_t at = Lower(arg).find("/h:");
        if (at != std::string::npos)
            return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(arg.c_str() + at + 3, nullptr, 10)));
    }
    return nullptr;
}

LRESULT CALLBACK HoldProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_TIMER) DestroyWindow(window);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wp, lp);
}

void Hold(const ProgramIdentity& id) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, (std::string("Global\\") + id.mutex).c_str());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &HoldProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = id.windowClass;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, id.windowClass, id.windowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 240,
                                  120, nullptr, nullptr, wc.hInstance, nullptr);
    SetTimer(window, 1, kHoldLimitMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    if (mutex) CloseHandle(mutex);
}

}  // namespace

int RunProgramStandin(const ProgramIdentity& id) {
    Record(id);
    if (Listed("KB_STANDIN_BUSY", id.name)) {
        // Never asks for input, so whoever waits for it to become idle waits.
        Sleep(kHoldLimitMs);
        return 0;
    }
    if (id.answersHandOff && !Listed("KB_STANDIN_SILENT", id.name))
        if (HWND caller = CallerWindow()) PostMessageA(caller, kHandOffClose, 0, 0);
    if (Listed("KB_STANDIN_HOLD", id.name)) Hold(id);
    return 0;
}

}  // namespace kb::standins
