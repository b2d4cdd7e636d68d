#include "loader/win_version.h"

#include "loader/path_csv.h"

namespace kb::loader {

int GetWinVersionCode(const WindowsVersionData& v) {
    if (!v.ok) return -1;
    constexpr uint32_t kWin32s = 0, kNt = 2;
    switch (v.major) {
        case 3:
            if (v.minor == 5) return 10;
            if (v.minor == 51) return 11;
            return -1;
        case 4: {
            if (v.platformId == kNt) return 20;
            if (v.minor < 10) return (v.build & 0xFFFF) > 1000 ? 2 : 1;
            if (v.minor >= 90) return 4;
            std::string service = TrimBlanks(v.servicePack);
            for (char& c : service)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            return service == "A" ? 5 : 3;
        }
        case 5:
            return v.minor == 0 ? 30 : 40;
        default:
            return v.platformId == kWin32s ? 0 : -1;
    }
}

}  // namespace kb::loader
