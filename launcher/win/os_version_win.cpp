#include "launcher/win/os_version_win.h"

#include <windows.h>

#include <cstring>

namespace kb::launcher {

OsVersionFacts QueryOsVersionFacts() {
    OsVersionFacts facts;
    OSVERSIONINFOEXA info = {};
    static_assert(sizeof(OSVERSIONINFOEXA) == 156 && sizeof(OSVERSIONINFOA) == 148, "the two version records");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
        facts.record = OsVersionFacts::Record::kExtended;
        facts.productType = info.wProductType;
    } else {
        std::memset(&info, 0, sizeof info);
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return facts;
        facts.record = OsVersionFacts::Record::kBasic;
    }
#pragma GCC diagnostic pop
    facts.platformId = info.dwPlatformId;
    facts.major = info.dwMajorVersion;
    facts.minor = info.dwMinorVersion;
    facts.servicePack.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
    return facts;
}

int32_t GetOsVersionCode() { return OsVersionCode(QueryOsVersionFacts()); }

bool UseGlobalNamespace() { return kb::launcher::UseGlobalNamespace(QueryOsVersionFacts()); }

}  // namespace kb::launcher
