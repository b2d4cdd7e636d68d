// The loader's version codes, one row per system of the table.
#include <gtest/gtest.h>

#include "loader/win_version.h"

namespace kb::loader {
namespace {

WindowsVersionData V(uint32_t major, uint32_t minor, uint32_t build, uint32_t platform, const char* sp = "") {
    WindowsVersionData d;
    d.major = major;
    d.minor = minor;
    d.build = build;
    d.platformId = platform;
    d.servicePack = sp;
    return d;
}

TEST(WinVersionCode, EveryRowOfTheTable) {
    const struct {
        const char* what;
        WindowsVersionData data;
        int code;
    } rows[] = {
        {"95", V(4, 0, 950, 1), 1},
        {"95 build 1000", V(4, 0, 1000, 1), 1},
        {"95 OSR2", V(4, 0, 1111, 1), 2},
        {"95 OSR2, high build bits ignored", V(4, 0, 0x040003E8, 1), 1},
        {"98", V(4, 10, 1998, 1), 3},
        {"98 SE", V(4, 10, 2222, 1, " a "), 5},
        {"98 other text", V(4, 10, 2222, 1, "B"), 3},
        {"98 minor 89", V(4, 89, 0, 1, "A"), 5},
        {"Me", V(4, 90, 3000, 1), 4},
        {"NT 3.5", V(3, 5, 807, 2), 10},
        {"NT 3.51", V(3, 51, 1057, 2), 11},
        {"NT 3.1", V(3, 10, 528, 2), -1},
        {"NT 4", V(4, 0, 1381, 2), 20},
        {"2000", V(5, 0, 2195, 2), 30},
        {"XP", V(5, 1, 2600, 2), 40},
        {"Server 2003", V(5, 2, 3790, 2), 40},
        {"Vista", V(6, 0, 6000, 2), -1},
        {"7", V(6, 1, 7601, 2), -1},
        {"10", V(10, 0, 19045, 2), -1},
        {"Win32s", V(1, 0, 0, 0), 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(GetWinVersionCode(r.data), r.code);
    }
    WindowsVersionData failed;
    failed.ok = false;
    EXPECT_EQ(GetWinVersionCode(failed), -1);
}

}  // namespace
}  // namespace kb::loader
