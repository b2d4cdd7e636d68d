// The launcher's version codes, one row per system, and the gates on them.
#include <gtest/gtest.h>

#include "launcher/version_code.h"

namespace kb::launcher {
namespace {

using Record = OsVersionFacts::Record;

OsVersionFacts V(uint32_t platform, uint32_t major, uint32_t minor, const char* sp = "", Record record = Record::kExtended,
                 uint8_t productType = 1) {
    OsVersionFacts f;
    f.record = record;
    f.platformId = platform;
    f.major = major;
    f.minor = minor;
    f.servicePack = sp;
    f.productType = productType;
    return f;
}

TEST(OsVersionCode, EveryRowOfTheTable) {
    const struct {
        const char* what;
        OsVersionFacts facts;
        int32_t code;
    } rows[] = {
        {"query failed", V(2, 6, 1, "", Record::kNone), -1},
        {"Win32s", V(0, 3, 10), 0},
        {"95", V(1, 4, 0), 0x10000100},
        {"95 OSR2 B", V(1, 4, 0, " B"), 0x10000101},
        {"95 OSR2 C", V(1, 4, 0, " C"), 0x10000101},
        {"95, B first", V(1, 4, 0, "B"), 0x10000100},
        {"95, lower-case b", V(1, 4, 0, " b"), 0x10000100},
        {"98", V(1, 4, 10), 0x10000200},
        {"98 SE letter first", V(1, 4, 10, "A "), 0x10000202},
        {"98 SE after a blank", V(1, 4, 10, " A "), 0x10000202},
        {"98, letter 0x7F", V(1, 4, 10, "\x7F"), 0x10000202},
        {"98, byte 0x40", V(1, 4, 10, "@"), 0x10000200},
        {"98, byte 0x80", V(1, 4, 10, "\x80"), 0x10000200},
        {"98, a lone blank", V(1, 4, 10, " "), 0x10000200},
        {"Me", V(1, 4, 90), 0x10000300},
        {"9x 4.89 is not listed", V(1, 4, 89), -1},
        {"9x major 5", V(1, 5, 0), -1},
        {"NT 3.51", V(2, 3, 51), 0x20000100},
        {"NT 4", V(2, 4, 0), 0x20000200},
        {"2000", V(2, 5, 0), 0x20000400},
        {"XP", V(2, 5, 1), 0x20000800},
        {"Server 2003", V(2, 5, 2, "", Record::kExtended, 3), 0x20001004},
        {"XP x64 workstation", V(2, 5, 2), 0x20001000},
        {"5.3", V(2, 5, 3), 0x60000000},
        {"Vista", V(2, 6, 0), 0x60000000},
        {"7", V(2, 6, 1, "Service Pack 1"), 0x60000000},
        {"10", V(2, 10, 0), 0x60000000},
        {"2008, server", V(2, 6, 0, "", Record::kExtended, 3), 0x60000004},
        {"2008 R2, domain controller", V(2, 6, 1, "", Record::kExtended, 2), 0x60000004},
        {"server type from the basic record is not read", V(2, 6, 1, "", Record::kBasic, 3), 0x60000000},
        {"NT major 2", V(2, 2, 0), -1},
        {"platform 3", V(3, 6, 0), -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(OsVersionCode(r.facts), r.code);
    }
}

TEST(OsVersionCode, OnlyAWorkstationOfNt6OrLaterPasses) {
    EXPECT_TRUE(IsSupportedVersionCode(0x60000000));
    EXPECT_FALSE(IsSupportedVersionCode(0x60000004));
    EXPECT_FALSE(IsSupportedVersionCode(0x20000800));
    EXPECT_FALSE(IsSupportedVersionCode(-1));
    EXPECT_FALSE(IsSupportedVersionCode(0));
}

TEST(OsVersionCode, GlobalNamespaceFromNt5) {
    EXPECT_TRUE(UseGlobalNamespace(V(2, 5, 0)));
    EXPECT_TRUE(UseGlobalNamespace(V(2, 6, 1)));
    EXPECT_FALSE(UseGlobalNamespace(V(2, 4, 0)));
    EXPECT_FALSE(UseGlobalNamespace(V(1, 4, 90)));
    EXPECT_FALSE(UseGlobalNamespace(V(2, 6, 1, "", Record::kNone)));
}

TEST(OsVersionCode, AdministratorWithoutAskingBelowNt3) {
    EXPECT_TRUE(IsAdminByVersionCode(-1));
    EXPECT_TRUE(IsAdminByVersionCode(0));
    EXPECT_TRUE(IsAdminByVersionCode(0x10000300));
    EXPECT_FALSE(IsAdminByVersionCode(0x20000100));
    EXPECT_FALSE(IsAdminByVersionCode(0x60000000));
}

}  // namespace
}  // namespace kb::launcher
