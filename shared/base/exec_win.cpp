#include <windows.h>

#include <vector>

#include "shared/base/exec.h"

namespace kb {
namespace {

bool Start(const std::string& command, int showCmd, DWORD flags, PROCESS_INFORMATION& pi) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    // Only the show state is passed on: no handles are inherited.
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showCmd);
    si.lpReserved = nullptr;
    si.lpDesktop = nullptr;
    si.lpTitle = nullptr;
    si.cbReserved2 = 0;
    si.lpReserved2 = nullptr;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');  // CreateProcessA may write into the command line
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi) != FALSE;
}

void PumpMessages(void*) {
    MSG msg;
    bool quit = false;
    int exitCode = 0;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The host's own loop must still see it.
            quit = true;
            exitCode = static_cast<int>(msg.wParam);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (quit) PostQuitMessage(exitCode);
}
void SleepMs(void*, unsigned ms) { Sleep(ms); }
void HideForm(void*, void* form) { ShowWindow(static_cast<HWND>(form), SW_HIDE); }
void SetCursor(void*, int x, int y) { SetCursorPos(x, y); }
void LeftButton(void*, bool down) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

}  // namespace

bool Exec(const std::string& command, int showCmd) { return Exec(command, showCmd, INFINITE); }

bool Exec(const std::string& command, int showCmd, unsigned long idleWaitMs) {
    PROCESS_INFORMATION pi = {};
    if (!Start(command, showCmd, 0, pi)) return false;
    WaitForInputIdle(pi.hProcess, idleWaitMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

ExecWaitSteps DefaultExecWaitSteps() {
    ExecWaitSteps s;
    s.pumpMessages = &PumpMessages;
    s.sleepMs = &SleepMs;
    s.hideForm = &HideForm;
    s.setCursor = &SetCursor;
    s.leftButton = &LeftButton;
    return s;
}

bool ExecWait(const std::string& command, int showCmd, void* form, int seconds) {
    return ExecWait(command, showCmd, form, seconds, DefaultExecWaitSteps());
}

bool ExecWait(const std::string& command, int showCmd, void* form, int seconds, const ExecWaitSteps& steps) {
    PROCESS_INFORMATION pi = {};
    if (!Start(command, showCmd, CREATE_DEFAULT_ERROR_MODE, pi)) return false;
    long long waits = 0;
    bool counting = form != nullptr;
    while (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        steps.pumpMessages(steps.ctx);
        steps.sleepMs(steps.ctx, 500);
        if (!counting) continue;
        if (++waits > 2LL * seconds) {
            // A program that waits for a click behind the form gets one, once.
            steps.hideForm(steps.ctx, form);
            steps.setCursor(steps.ctx, 0, 0);
            steps.sleepMs(steps.ctx, 500);
            steps.leftButton(steps.ctx, true);
            steps.sleepMs(steps.ctx, 500);
            steps.leftButton(steps.ctx, false);
            steps.sleepMs(steps.ctx, 500);
            counting = false;
        }
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

}  // namespace kb
