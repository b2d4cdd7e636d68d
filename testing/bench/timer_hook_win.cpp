// The export benchmark's hook library: set on the loader's window thread,
// it is loaded into the loader and logs what the benchmark measures there.
#include <windows.h>

#include <cstring>

#include "testing/bench/timer_log_win.h"

namespace {

kb::bench::TimerLog* g_log = nullptr;

kb::bench::TimerLog* Log() {
    if (!g_log) {
        // Kept open for the rest of the loader's run: the hook may be called
        // again until the benchmark removes it.
        const HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kb::bench::kTimerLogName);
        if (mapping) g_log = static_cast<kb::bench::TimerLog*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    }
    return g_log;
}

kb::bench::TimerLogEvent* NextEvent() {
    kb::bench::TimerLog* log = Log();
    if (!log || !log->recording) return nullptr;
    const LONG at = InterlockedIncrement(&log->count) - 1;
    return at < static_cast<LONG>(kb::bench::kTimerLogCapacity) ? &log->events[at] : nullptr;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK KbBenchGetMessage(int code, WPARAM wp, LPARAM lp) {
    const MSG* msg = reinterpret_cast<const MSG*>(lp);
    if (code == HC_ACTION && wp == PM_REMOVE && msg->message == WM_TIMER) {
        if (kb::bench::TimerLogEvent* e = NextEvent()) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            e->text[0] = '\0';
            e->kind = kb::bench::kEventTimer;
            e->counter = now.QuadPart;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK KbBenchCallWndProc(int code, WPARAM wp, LPARAM lp) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && call->message == WM_SETTEXT && call->lParam) {
        if (kb::bench::TimerLogEvent* e = NextEvent()) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            const char* text = reinterpret_cast<const char*>(call->lParam);
            const size_t n = strnlen(text, sizeof e->text - 1);
            std::memcpy(e->text, text, n);
            e->text[n] = '\0';
            e->kind = kb::bench::kEventText;
            e->counter = now.QuadPart;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
