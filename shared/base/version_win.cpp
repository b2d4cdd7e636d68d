#include <windows.h>

#include "shared/base/version.h"

namespace kb {

WindowsVersionData QueryWindowsVersion() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    WindowsVersionData data;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    data.ok = GetVersionExA(&info) != FALSE;
#pragma GCC diagnostic pop
    if (data.ok) {
        data.major = info.dwMajorVersion;
        data.minor = info.dwMinorVersion;
        data.build = info.dwBuildNumber;
        data.platformId = info.dwPlatformId;
        data.servicePack.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
    }
    return data;
}

int GetWindowsVersion() { return WindowsVersionCode(QueryWindowsVersion()); }

namespace {

bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges = {};
    bool ok = LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) != FALSE;
    if (ok) {
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE &&
             GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return ok;
}

bool ExitWindowsLogOff() { return ExitWindowsEx(EWX_LOGOFF, 0) != FALSE; }

}  // namespace

bool LogOffWindows() {
    return LogOffWith(GetWindowsVersion(), LogOffSteps{&EnableShutdownPrivilege, &ExitWindowsLogOff});
}

}  // namespace kb
