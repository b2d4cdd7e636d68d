// Windows version code and log-off, shared by the archive server and the
// loader. The version code is a pure function of version data,
// so every row of its table is testable on any machine.
#pragma once
#include <cstdint>
#include <string>

namespace kb {

// What GetVersionEx reports (the fields the code depends on).
struct WindowsVersionData {
    bool ok = true;  // false: the query failed
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t platformId = 0;  // 0 Win32s, 1 the 95 family, 2 NT
    std::string servicePack;  // the service text (szCSDVersion)
};

// Family bits of a version code; -1 (every bit set) counts as both.
constexpr int kWinFamilyNt = 0x20000000;
constexpr int kWinFamily9x = 0x10000000;

// The version code: 0x2000000A NT 3.5, 0x2000000B NT 3.51, 0x2000000C NT 4,
// 0x10000005/06 95, 0x10000009/0A 98, 0x10000010 Me, 0x20000080 2000,
// 0x20000100 5.1 and later 5.x, 0 platform 0, -1 anything else or a failure.
int WindowsVersionCode(const WindowsVersionData& data);

// What log-off does, as replaceable steps (the real ones end the session).
struct LogOffSteps {
    bool (*enableShutdownPrivilege)() = nullptr;
    bool (*exitWindowsLogOff)() = nullptr;
};
// Log-off decision: above version code 5 the shutdown privilege is enabled
// first (a failure there gives false); then the log-off step's result.
bool LogOffWith(int versionCode, const LogOffSteps& steps);

#ifdef _WIN32
// What GetVersionEx reports.
WindowsVersionData QueryWindowsVersion();
// GetVersionEx's answer through WindowsVersionCode.
int GetWindowsVersion();
// Logs the interactive user off; true when Windows accepted the request.
bool LogOffWindows();
#endif

}  // namespace kb
