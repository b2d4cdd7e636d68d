// The administrator question on the test prefix, against the platform's own
// membership test of the built-in Administrators group.
#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/win/admin_win.h"

namespace kb::launcher {
namespace {

bool PlatformSaysAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
    FreeSid(admins);
    return member != FALSE;
}

TEST(AdministratorTest, TheAnswerOnThePrefixIsThePlatformsMembership) {
    // A Wine prefix's user holds the Administrators group.
    ASSERT_TRUE(PlatformSaysAdministrator());
    EXPECT_TRUE(IsUserAdmin());
}

}  // namespace
}  // namespace kb::launcher
