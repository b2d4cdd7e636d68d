// Helpers of the launcher's Windows tests: programs started by a test and
// ended by their id, the holder stand-in, waits with deadlines and keys sent
// to another process's window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kb::launcher::testing {

// The deadline of every wait for another process's state.
constexpr DWORD kDeadlineMs = 60000;

// A file beside the running test program ("standins\holder\holder.exe").
std::string BesideTest(const std::string& relative);

// A program started by a test; ended by its id when still running at the end.
class Child {
public:
    Child(const std::string& exe, const std::string& arguments);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Pid() const { return pid_; }
    // The exit code once ended within ms; false while it still runs.
    bool WaitExit(DWORD ms, DWORD& code);
    // Ends the process by its id and waits until it is gone.
    void End();
    HANDLE Process() const { return process_; }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// A process another program started, held by its id so that it can be waited
// for; ended by its id when still running at the end.
class Adopted {
public:
    explicit Adopted(DWORD pid);
    ~Adopted();
    Adopted(const Adopted&) = delete;
    Adopted& operator=(const Adopted&) = delete;
    // True once it has ended within ms.
    bool Exited(DWORD ms) const;

private:
    HANDLE process_;
};

// The holder stand-in with its command line; Ready waits until each mutex
// exists and, with a window title, the window is there.
struct HolderSpec {
    std::vector<std::string> mutexes;
    bool window = false;
    std::string windowClass;  // empty: a dialog window
    std::string windowTitle;
    bool minimized = false;
    DWORD forMs = 0;
};
std::string HolderArguments(const HolderSpec& spec);
// The holder's top-level window once it is there (null after the deadline).
HWND WaitForHolderWindow(const HolderSpec& spec, DWORD pid);
// True once every mutex of spec exists.
bool WaitForMutexes(const std::vector<std::string>& names);

// A key pressed and released while window has the focus, as its thread's
// message loop receives it.
void PressKey(HWND window, UINT key);

// The width and height the link's font gives text on this display: the size
// the driver-download dialog's link takes for its address.
SIZE LinkTextExtent(const std::string& text);

template <class Predicate>
bool WaitUntil(Predicate done, DWORD ms = kDeadlineMs) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace kb::launcher::testing
