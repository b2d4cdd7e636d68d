#include "shared/base/version.h"

namespace kb {

int WindowsVersionCode(const WindowsVersionData& v) {
    if (!v.ok) return -1;
    constexpr uint32_t kPlatformNt = 2;
    switch (v.major) {
        case 3:
            if (v.minor == 5) return 0x2000000A;
            if (v.minor == 51) return 0x2000000B;
            return -1;
        case 4:
            if (v.platformId == kPlatformNt) return 0x2000000C;
            if (v.minor < 10) return v.build > 1000 ? 0x10000006 : 0x10000005;
            if (v.minor >= 90) return 0x10000010;
            {
                // Upper-cased, blanks and control characters trimmed from both ends.
                std::string service;
                for (char c : v.servicePack)
                    service += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
                auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
                while (!service.empty() && blank(service.back())) service.pop_back();
                size_t first = 0;
                while (first < service.size() && blank(service[first])) ++first;
                return service.substr(first) == "A" ? 0x1000000A : 0x10000009;
            }
        case 5:
            return v.minor == 0 ? 0x20000080 : 0x20000100;
        default:
            return v.platformId == 0 ? 0 : -1;
    }
}

bool LogOffWith(int versionCode, const LogOffSteps& steps) {
    // Signed: -1 (unknown, newer) and 0 skip the privilege step.
    if (versionCode > 5) {
        if (!steps.enableShutdownPrivilege || !steps.enableShutdownPrivilege()) return false;
    }
    return steps.exitWindowsLogOff && steps.exitWindowsLogOff();
}

}  // namespace kb
