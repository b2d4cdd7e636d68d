// The launcher's Windows version code and the gates built on it, as pure
// functions of what the version query reported.
#pragma once
#include <cstdint>
#include <string>

namespace kb::launcher {

// What GetVersionExA reported: which record could be read, and its fields.
struct OsVersionFacts {
    enum class Record { kNone, kBasic, kExtended };
    Record record = Record::kNone;  // kNone: both queries failed
    uint32_t platformId = 0;        // 0 Win32s, 1 the 9x family, 2 NT
    uint32_t major = 0;
    uint32_t minor = 0;
    std::string servicePack;  // the service text (szCSDVersion)
    uint8_t productType = 0;  // from the extended record: 1 workstation, 2 domain controller, 3 server
};

inline constexpr int32_t kOsUnknown = -1;
inline constexpr int32_t kOsWin32s = 0;
inline constexpr int32_t kOs95 = 0x10000100;
inline constexpr int32_t kOs95Osr2 = 0x10000101;
inline constexpr int32_t kOs98 = 0x10000200;
inline constexpr int32_t kOs98Se = 0x10000202;
inline constexpr int32_t kOsMe = 0x10000300;
inline constexpr int32_t kOsNt3 = 0x20000100;
inline constexpr int32_t kOsNt4 = 0x20000200;
inline constexpr int32_t kOsNt50 = 0x20000400;
inline constexpr int32_t kOsNt51 = 0x20000800;
inline constexpr int32_t kOsNt52 = 0x20001000;
inline constexpr int32_t kOsNt6 = 0x60000000;  // NT 6.0 and later, also 5.3 and later
inline constexpr int32_t kOsServerBit = 4;     // NT family, product type 2 or 3

// The version code: one of the constants above, with kOsServerBit ORed into an
// NT code when the extended record was read and names a server or domain
// controller; kOsUnknown for a failed query and every version not listed.
int32_t OsVersionCode(const OsVersionFacts& facts);

// The launcher runs only on NT 6.0 or later in a workstation edition: the
// code is exactly kOsNt6.
bool IsSupportedVersionCode(int32_t code);

// Named objects of the family get "Global\" in front: NT family, major 5 or more.
bool UseGlobalNamespace(const OsVersionFacts& facts);

// Below NT 3 (signed: unknown, Win32s and the 9x family) every user counts as
// administrator without asking the token.
bool IsAdminByVersionCode(int32_t code);

}  // namespace kb::launcher
