// The Windows version code as a pure table, and the log-off decision.
#include <gtest/gtest.h>

#include "shared/base/version.h"

namespace kb {
namespace {

TEST(WindowsVersion, CodeTable) {
    struct Row {
        const char* what;
        WindowsVersionData data;
        int code;
    };
    auto v = [](uint32_t major, uint32_t minor, uint32_t build, uint32_t platform, const char* sp = "") {
        WindowsVersionData d;
        d.major = major;
        d.minor = minor;
        d.build = build;
        d.platformId = platform;
        d.servicePack = sp;
        return d;
    };
    WindowsVersionData failed;
    failed.ok = false;
    const Row rows[] = {
        {"NT 3.5", v(3, 5, 807, 2), 0x2000000A},
        {"NT 3.51", v(3, 51, 1057, 2), 0x2000000B},
        {"3.1", v(3, 10, 0, 0), -1},
        {"NT 4", v(4, 0, 1381, 2), 0x2000000C},
        {"95 OSR2", v(4, 0, 1111, 1), 0x10000006},
        {"95", v(4, 0, 950, 1), 0x10000005},
        {"95 build 1000", v(4, 0, 1000, 1), 0x10000005},
        {"Me", v(4, 90, 3000, 1), 0x10000010},
        {"98", v(4, 10, 1998, 1), 0x10000009},
        {"98 SE", v(4, 10, 2222, 1, " a "), 0x1000000A},
        {"98 other service text", v(4, 10, 2222, 1, "B"), 0x10000009},
        {"minor 89", v(4, 89, 0, 1, "A"), 0x1000000A},
        {"2000", v(5, 0, 2195, 2), 0x20000080},
        {"XP", v(5, 1, 2600, 2), 0x20000100},
        {"Server 2003", v(5, 2, 3790, 2), 0x20000100},
        {"Vista", v(6, 0, 6000, 2), -1},
        {"10", v(10, 0, 19045, 2), -1},
        {"platform 0", v(6, 0, 0, 0), 0},
        {"query failed", failed, -1},
    };
    for (const auto& r : rows) EXPECT_EQ(WindowsVersionCode(r.data), r.code) << r.what;
}

int g_privilegeCalls, g_logOffCalls;
bool g_privilegeResult, g_logOffResult;
bool Privilege() { return ++g_privilegeCalls, g_privilegeResult; }
bool LogOff() { return ++g_logOffCalls, g_logOffResult; }

TEST(WindowsVersion, LogOffEnablesThePrivilegeAboveCodeFive) {
    struct Row {
        int code;
        bool privilege, logOff;
        bool result;
        int privilegeCalls, logOffCalls;
    };
    const Row rows[] = {
        {0x20000100, true, true, true, 1, 1},
        {0x20000100, false, true, false, 1, 0},
        {0x20000080, true, false, false, 1, 1},
        {-1, false, true, true, 0, 1},   // signed: unknown and newer versions skip the privilege step
        {0, false, true, true, 0, 1},
        {5, false, true, true, 0, 1},
        {6, false, true, false, 1, 0},
    };
    for (const auto& r : rows) {
        g_privilegeCalls = g_logOffCalls = 0;
        g_privilegeResult = r.privilege;
        g_logOffResult = r.logOff;
        EXPECT_EQ(LogOffWith(r.code, LogOffSteps{&Privilege, &LogOff}), r.result) << r.code;
        EXPECT_EQ(g_privilegeCalls, r.privilegeCalls) << r.code;
        EXPECT_EQ(g_logOffCalls, r.logOffCalls) << r.code;
    }
}

}  // namespace
}  // namespace kb
