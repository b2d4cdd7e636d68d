#include "launcher/version_code.h"

namespace kb::launcher {
namespace {

constexpr uint32_t kPlatformWin32s = 0;
constexpr uint32_t kPlatform9x = 1;
constexpr uint32_t kPlatformNt = 2;
constexpr uint8_t kProductDomainController = 2;
constexpr uint8_t kProductServer = 3;

// The byte at i of the service text, 0 past its end (as the zero-filled record reads).
unsigned char ServiceByte(const std::string& text, size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

int32_t Code9x(const OsVersionFacts& f) {
    if (f.major != 4) return kOsUnknown;
    switch (f.minor) {
        case 0: {
            const unsigned char c = ServiceByte(f.servicePack, 1);
            return (c == 'B' || c == 'C') ? kOs95Osr2 : kOs95;
        }
        case 10: {
            unsigned char letter = ServiceByte(f.servicePack, 0);
            if (letter == ' ') letter = ServiceByte(f.servicePack, 1);
            return (letter >= 0x41 && letter <= 0x7F) ? kOs98Se : kOs98;
        }
        case 90:
            return kOsMe;
        default:
            return kOsUnknown;
    }
}

int32_t CodeNt(const OsVersionFacts& f) {
    if (f.major == 3) return kOsNt3;
    if (f.major == 4) return kOsNt4;
    if (f.major == 5) {
        if (f.minor == 0) return kOsNt50;
        if (f.minor == 1) return kOsNt51;
        if (f.minor == 2) return kOsNt52;
        return kOsNt6;
    }
    if (f.major >= 6) return kOsNt6;
    return kOsUnknown;
}

}  // namespace

int32_t OsVersionCode(const OsVersionFacts& facts) {
    if (facts.record == OsVersionFacts::Record::kNone) return kOsUnknown;
    switch (facts.platformId) {
        case kPlatformWin32s:
            return kOsWin32s;
        case kPlatform9x:
            return Code9x(facts);
        case kPlatformNt: {
            int32_t code = CodeNt(facts);
            if (code != kOsUnknown && facts.record == OsVersionFacts::Record::kExtended &&
                (facts.productType == kProductDomainController || facts.productType == kProductServer))
                code |= kOsServerBit;
            return code;
        }
        default:
            return kOsUnknown;
    }
}

bool IsSupportedVersionCode(int32_t code) { return code == kOsNt6; }

bool UseGlobalNamespace(const OsVersionFacts& facts) {
    return facts.record != OsVersionFacts::Record::kNone && facts.platformId == kPlatformNt && facts.major >= 5;
}

bool IsAdminByVersionCode(int32_t code) { return code < kOsNt3; }

}  // namespace kb::launcher
