// Starting programs: Exec (wait until the new program is idle for input) and
// ExecWait (wait until it ends, keeping the caller's window responsive).
#pragma once
#include <string>

namespace kb {

#ifdef _WIN32
// Starts command (a command line) with the show state showCmd; false when it
// cannot start, else true once it is idle for input.
bool Exec(const std::string& command, int showCmd);
// As Exec, but waits at most idleWaitMs for the program to become idle; a
// program that is still busy then counts as started (true).
bool Exec(const std::string& command, int showCmd, unsigned long idleWaitMs);

// The steps of ExecWait that touch the desktop or the clock; tests replace them.
struct ExecWaitSteps {
    void (*pumpMessages)(void* ctx) = nullptr;
    void (*sleepMs)(void* ctx, unsigned ms) = nullptr;
    void (*hideForm)(void* ctx, void* form) = nullptr;
    void (*setCursor)(void* ctx, int x, int y) = nullptr;
    void (*leftButton)(void* ctx, bool down) = nullptr;
    void* ctx = nullptr;
};
// The real steps: PeekMessage loop, Sleep, ShowWindow(SW_HIDE), SetCursorPos, SendInput.
ExecWaitSteps DefaultExecWaitSteps();

// Starts command with showCmd and the default error mode; false when it cannot
// start. While it runs: pump messages, sleep 500 ms and, with a form (a window
// handle), count the waits; after more than 2 * seconds waits, once: hide the
// form, put the cursor at (0, 0), sleep 500, press the left button, sleep 500,
// release it, sleep 500. True when the program has ended.
bool ExecWait(const std::string& command, int showCmd, void* form, int seconds);
bool ExecWait(const std::string& command, int showCmd, void* form, int seconds, const ExecWaitSteps& steps);
#endif

}  // namespace kb
