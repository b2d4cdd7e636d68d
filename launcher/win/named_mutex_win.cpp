#include "launcher/win/named_mutex_win.h"

#include <cstring>

#include "launcher/win/os_version_win.h"

namespace kb::launcher {

int ProbeNamedMutex(const std::string& name, bool usePrefix) {
    const std::string probed = usePrefix && UseGlobalNamespace() ? "Global\\" + name : name;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, probed.c_str());
    const DWORD error = GetLastError();
    if (mutex) {
        CloseHandle(mutex);
        return error == ERROR_ALREADY_EXISTS ? kMutexTaken : kMutexFree;
    }
    return error == ERROR_ACCESS_DENIED ? kMutexDenied : kMutexTaken;
}

namespace {

// The program's top-level window of that class and title that is not one of
// ours: a second launcher's own hidden dialog bears the title it looks for and
// lies above the first one's. An empty class stands for any class; the
// platform would look for a class of that name and find none.
HWND FindProgramWindow(const char* windowClass, const char* windowTitle) {
    const char* cls = windowClass && *windowClass ? windowClass : nullptr;
    const DWORD self = GetCurrentProcessId();
    for (HWND w = FindWindowExA(nullptr, nullptr, cls, windowTitle); w;
         w = FindWindowExA(nullptr, w, cls, windowTitle)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != self) return w;
    }
    return nullptr;
}

void BringForward(const char* windowClass, const char* windowTitle) {
    HWND window = FindProgramWindow(windowClass, windowTitle);
    if (!window) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

}  // namespace

bool IsProgramRunning(const std::string& name, const std::string& windowClass, const std::string& windowTitle) {
    switch (ProbeNamedMutex(name, true)) {
    case kMutexFree:
        return false;
    case kMutexTaken:
        BringForward(windowClass.c_str(), windowTitle.c_str());
        return true;
    default:
        return true;
    }
}

void CNamedMutex::Setup(const std::string& name, const char* windowClass, const char* windowTitle) {
    Release();
    m_strName = name;
    if (windowClass && windowTitle && std::strlen(windowClass) < sizeof m_szWindowClass &&
        std::strlen(windowTitle) < sizeof m_szWindowTitle) {
        std::strcpy(m_szWindowClass, windowClass);
        std::strcpy(m_szWindowTitle, windowTitle);
        m_pszWindowClass = m_szWindowClass;
        m_pszWindowTitle = m_szWindowTitle;
    } else {
        std::memset(m_szWindowClass, 0, sizeof m_szWindowClass);
        std::memset(m_szWindowTitle, 0, sizeof m_szWindowTitle);
        m_pszWindowClass = nullptr;
        m_pszWindowTitle = nullptr;
    }
}

bool CNamedMutex::Acquire() {
    switch (ProbeNamedMutex(m_strName, true)) {
    case kMutexFree:
        Create();
        return false;
    case kMutexTaken:
        if (m_pszWindowClass && m_pszWindowTitle) BringForward(m_pszWindowClass, m_pszWindowTitle);
        return true;
    default:
        return true;
    }
}

void CNamedMutex::Create() {
    if (!m_hMutex) m_hMutex = CreateMutexA(nullptr, FALSE, m_strName.c_str());
}

void CNamedMutex::Release() {
    if (m_hMutex) {
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
}

}  // namespace kb::launcher
