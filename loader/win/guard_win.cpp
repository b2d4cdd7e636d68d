#include "loader/win/guard_win.h"

#include <windows.h>

#include "loader/bindings.h"
#include "shared/base/message_sink.h"
#include "shared/base/version.h"

namespace kb::loader {

bool WinGuardSystem::UseGlobalNamespace() {
    const WindowsVersionData v = QueryWindowsVersion();
    return v.ok && v.platformId == VER_PLATFORM_WIN32_NT && v.major >= 5;
}

GuardSystem::MutexResult WinGuardSystem::MakeMutex(const std::string& name) {
    HANDLE h = CreateMutexA(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    return {h, h && error == ERROR_ALREADY_EXISTS};
}

void WinGuardSystem::CloseMutex(void* handle) { CloseHandle(handle); }

void* WinGuardSystem::FindTopWindow(const std::string& windowClass, const std::string& title) {
    return FindWindowA(windowClass.c_str(), title.c_str());
}

bool WinGuardSystem::IsMinimized(void* window) { return IsIconic(static_cast<HWND>(window)) != FALSE; }

void WinGuardSystem::Restore(void* window) { ShowWindow(static_cast<HWND>(window), SW_RESTORE); }

void WinGuardSystem::BringToFront(void* window) { SetForegroundWindow(static_cast<HWND>(window)); }

void WinGuardSystem::ShowMessage(const std::string& text) { kb::ShowMessage(kLoaderTitle, text.c_str()); }

}  // namespace kb::loader
