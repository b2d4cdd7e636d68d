#include "launcher/tests/launcher_win_test_support.h"

#include "launcher/win/link_static_win.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::launcher::testing {

std::string BesideTest(const std::string& relative) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of('\\') + 1) + relative;
}

Child::Child(const std::string& exe, const std::string& arguments) {
    std::string line = "\"" + exe + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
}

Child::~Child() {
    End();
    if (process_) CloseHandle(process_);
}

bool Child::WaitExit(DWORD ms, DWORD& code) {
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_, &code) != FALSE;
}

void Child::End() {
    if (!process_ || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) return;
    if (HANDLE byId = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid_)) {
        TerminateProcess(byId, 1);
        CloseHandle(byId);
    }
    WaitForSingleObject(process_, kDeadlineMs);
}

Adopted::Adopted(DWORD pid) : process_(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid)) {}

Adopted::~Adopted() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kDeadlineMs);
    }
    CloseHandle(process_);
}

bool Adopted::Exited(DWORD ms) const { return process_ && WaitForSingleObject(process_, ms) == WAIT_OBJECT_0; }

std::string HolderArguments(const HolderSpec& spec) {
    std::string args;
    for (const std::string& m : spec.mutexes) args += " --mutex \"" + m + "\"";
    if (spec.window) args += " --window \"" + spec.windowClass + "\" \"" + spec.windowTitle + "\"";
    if (spec.minimized) args += " --minimized";
    if (spec.forMs) args += " --for " + std::to_string(spec.forMs);
    return args;
}

HWND WaitForHolderWindow(const HolderSpec& spec, DWORD pid) {
    uidriver::WindowQuery query;
    query.windowClass = spec.windowClass.empty() ? "#32770" : spec.windowClass;
    query.title = spec.windowTitle;
    query.pid = pid;
    return uidriver::WaitForTopWindow(query, kDeadlineMs);
}

bool WaitForMutexes(const std::vector<std::string>& names) {
    return WaitUntil([&] {
        for (const std::string& name : names) {
            HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
            if (!h) return false;
            CloseHandle(h);
        }
        return true;
    });
}

void PressKey(HWND window, UINT key) {
    const UINT scan = MapVirtualKeyA(key, 0);
    PostMessageA(window, WM_KEYDOWN, key, 1 | (static_cast<LPARAM>(scan) << 16));
    PostMessageA(window, WM_KEYUP, key, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
}

SIZE LinkTextExtent(const std::string& text) {
    HDC screen = GetDC(nullptr);
    HFONT font = CLinkStatic::MakeFont(GetDeviceCaps(screen, LOGPIXELSY));
    HGDIOBJ old = SelectObject(screen, font);
    SIZE size{};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return size;
}

}  // namespace kb::launcher::testing
