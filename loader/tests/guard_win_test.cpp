// The instance guard across processes: a second start finds the first one's
// mutex and brings its "TApplication" window forward, or tells the user when
// no window can be found.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "testing/kit/temp_folder.h"
#include "testing/kit/file_io.h"
#include "loader/instance_guard.h"
#include "loader/win/guard_win.h"
#include "shared/base/dll_binding.h"

namespace kb::loader {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;

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

DWORD RunProbe(const std::string& mutex, const std::string& title) {
    std::string line = "\"" + BesideThisModule("guard_probe.exe") + "\" " + mutex + " " + kLoaderWindowClass +
                       " " + title;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 99;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 98;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
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
    TempDir dir;
    const std::string messages = dir / "messages.txt";
    SetEnvironmentVariableA("KB_MESSAGE_SINK_FILE", messages.c_str());

    WinGuardSystem system;
    InstanceGuard first(system);
    first.InitInstanceGuard(mutex, kLoaderWindowClass, title);
    ASSERT_FALSE(first.IsAnotherInstanceRunning());
    {
        AppWindow window(title);
        ASSERT_TRUE(IsIconic(window.Handle()));
        EXPECT_EQ(RunProbe(mutex, title), 1u);
        EXPECT_TRUE(WaitFor([&] { return !IsIconic(window.Handle()); })) << "the first instance stays minimised";
        EXPECT_FALSE(kb::testing::FileExists(messages)) << "a hand-over shows nothing";
    }
    // No window of the first instance: it runs in another session as far as
    // the second can tell.
    EXPECT_EQ(RunProbe(mutex, title), 1u);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(messages, text));
    EXPECT_EQ(text, "Sorvex|Another user is using this application.\n");

    first.ReleaseInstanceGuard();
    EXPECT_EQ(RunProbe(mutex, title), 0u);
    SetEnvironmentVariableA("KB_MESSAGE_SINK_FILE", nullptr);
}

}  // namespace
}  // namespace kb::loader
