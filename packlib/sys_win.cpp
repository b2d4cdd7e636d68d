// The frame's system seam on Windows: Win32 threads that keep the library loaded,
// Sleep, the global atom table and PostMessageA.
#include "packlib/sys.h"

#include <windows.h>

#include <ctime>
#include <new>

namespace kb::sys {
namespace {

struct ThreadStart {
    ThreadBody body;
    void* arg;
    HMODULE module;  // the reference this thread holds on the library, or null
};

DWORD WINAPI ThreadMain(LPVOID param) {
    ThreadStart start = *static_cast<ThreadStart*>(param);
    delete static_cast<ThreadStart*>(param);
    start.body(start.arg);
    // Dropping the reference and ending the thread in one call: no code of this
    // library runs after the reference is gone.
    if (start.module) FreeLibraryAndExitThread(start.module, 0);
    return 0;
}

class WinThread final : public Thread {
public:
    WinThread(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
    ~WinThread() override { CloseHandle(handle_); }
    bool Wait(uint32_t timeoutMs) override {
        return WaitForSingleObject(handle_, timeoutMs == kInfinite ? INFINITE : timeoutMs) == WAIT_OBJECT_0;
    }
    bool IsCurrent() const override { return id_ == GetCurrentThreadId(); }

private:
    HANDLE handle_;
    DWORD id_;
};

}  // namespace

std::unique_ptr<Thread> Sys::StartThread(ThreadBody body, void* arg) {
    auto* start = new (std::nothrow) ThreadStart{body, arg, nullptr};
    if (!start) return nullptr;
    // The reference is taken here, on the caller's thread, so an unload that
    // follows the export cannot come before the worker holds it.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&ThreadMain), &start->module))
        start->module = nullptr;
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, 0, ThreadMain, start, 0, &id);
    if (!handle) {
        if (start->module) FreeLibrary(start->module);
        delete start;
        return nullptr;
    }
    auto thread = std::unique_ptr<WinThread>(new (std::nothrow) WinThread(handle, id));
    if (!thread) {
        WaitForSingleObject(handle, INFINITE);
        CloseHandle(handle);
        return nullptr;
    }
    return thread;
}

void Sys::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

int64_t Sys::NowSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

bool Sys::GlobalAtomExists(const char* name) { return GlobalFindAtomA(name) != 0; }

void Sys::AddGlobalAtom(const char* name) { GlobalAddAtomA(name); }

void Sys::DeleteGlobalAtom(const char* name) {
    ATOM atom = GlobalFindAtomA(name);
    if (atom) GlobalDeleteAtom(atom);
}

void Sys::PostWindowMessage(uintptr_t window, uint32_t message) {
    if (window) PostMessageA(reinterpret_cast<HWND>(window), message, 0, 0);
}

Sys& SystemServices() {
    static Sys sys;
    return sys;
}

}  // namespace kb::sys
