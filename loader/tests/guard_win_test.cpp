// The instance guard across processes: a second start finds the first one's
// mutex and brings its "TApplication" window forward, or tells the user when
// no window can be found.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "loader/instance_guard.h"
#include "loader/win/guard_win.h"
#include "shared/base/dll_binding.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::loader {
namespace {

// A top-level window of the loader's class on a thread of its own that pumps
// messages, so another process can restore it.
class AppWindow {
public:
    explicit AppWindow(const std::string& title) : title_(title), thread_([this] { Run(); }) {
        while (!ready_) std::this_thread::yield();
    }
    ~AppWindow() {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND Handle() const { return window_; }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(w, m, wp, lp);
    }
    void Run() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kLoaderWindowClass;
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, kLoaderWindowClass, title_.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(window_, SW_SHOWMINIMIZED);
        ready_ = true;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    }
    std::string title_;
    HWND window_ = nullptr;
    std::atomic<bool> ready_{false};
    std::thread thread_;
};

// Starts the probe; its process handle, null when it cannot start.
HANDLE StartProbe(const std::string& mutex, const std::string& title, DWORD& pid) {
    std::string line = "\"" + BesideThisModule("guard_probe.exe") + "\" " + mutex + " " + kLoaderWindowClass +
                       " " + title;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    pid = pi.dwProcessId;
    return pi.hProcess;
}

// The probe's exit code once it has ended by itself: a box it showed would
// keep it running, so an ending probe showed none.
DWORD RunProbe(const std::string& mutex, const std::string& title) {
    DWORD pid = 0;
    HANDLE process = StartProbe(mutex, title, pid);
    if (!process) return 99;
    DWORD code = 98;
    if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    else TerminateProcess(process, 97);
    CloseHandle(process);
    return code;
}

template <class Predicate>
bool WaitFor(Predicate p) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!p()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(InstanceGuardAcrossProcesses, ASecondStartRestoresTheFirstOrTellsTheUser) {
    const std::string id = std::to_string(GetCurrentProcessId());
    const std::string mutex = "TARVEL_WIN_LOADER_test_" + id;
    const std::string title = "Sorvex_test_" + id;

    WinGuardSystem system;
    InstanceGuard first(system);
    first.InitInstanceGuard(mutex, kLoaderWindowClass, title);
    ASSERT_FALSE(first.IsAnotherInstanceRunning());
    {
        AppWindow window(title);
        ASSERT_TRUE(IsIconic(window.Handle()));
        EXPECT_EQ(RunProbe(mutex, title), 1u) << "a hand-over shows nothing";
        EXPECT_TRUE(WaitFor([&] { return !IsIconic(window.Handle()); })) << "the first instance stays minimised";
    }
    // No window of the first instance: it runs in another session as far as
    // the second can tell, which says so in its own box.
    DWORD pid = 0;
    HANDLE probe = StartProbe(mutex, title, pid);
    ASSERT_NE(probe, nullptr);
    const auto box = kb::uidriver::WaitForMessageBox("Sorvex", pid, 30000);
    if (box) {
        EXPECT_EQ(box->text, "Another user is using this application.");
        EXPECT_TRUE(kb::uidriver::AnswerMessageBox(box->window, IDOK));
    }
    DWORD code = 98;
    if (WaitForSingleObject(probe, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(probe, &code);
    else TerminateProcess(probe, 97);
    CloseHandle(probe);
    ASSERT_TRUE(box) << "no box";
    EXPECT_EQ(code, 1u);

    first.ReleaseInstanceGuard();
    EXPECT_EQ(RunProbe(mutex, title), 0u);
}

}  // namespace
}  // namespace kb::loader
