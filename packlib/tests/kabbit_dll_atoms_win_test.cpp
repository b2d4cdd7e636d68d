// The password throttle on the real global atom table, through Kabbit.dll. Run
// alone: the atoms are shared by every process of the session.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "frame_test_support.h"
#include "testing/builders/pack_builder.h"
#include "packlib/win/kabbit.h"
#include "shared/pack_errors.h"

namespace {

const char kBase[] = "KabbitPreventPasswordAttacking";

void ClearThrottleAtoms() {
    for (const std::string& name : {std::string(kBase), std::string(kBase) + "2", std::string(kBase) + "4"})
        while (ATOM a = GlobalFindAtomA(name.c_str())) {
            if (GlobalDeleteAtom(a) != 0) break;
        }
}

TEST(KabbitDllAtoms, WrongThenRightPassword) {
    ClearThrottleAtoms();
    HMODULE dll = LoadLibraryA("Kabbit.dll");
    ASSERT_NE(dll, nullptr);
    auto count = reinterpret_cast<decltype(&::GetFileCount)>(reinterpret_cast<void*>(GetProcAddress(dll, "GetFileCount")));
    ASSERT_NE(count, nullptr);
    kb::testing::TempDir dir;
    const std::string pack = dir / "t.pck";
    ASSERT_TRUE(kb::testing::PackBuilder().Encrypted(2).Add("a.txt", "x").WriteTo(pack));

    // One wrong password: the first step of the sequence (a one-second wait).
    EXPECT_EQ(count(pack.c_str(), "wrong12"), kb::PACKERR_WRONG_PASSWORD);
    EXPECT_NE(GlobalFindAtomA(kBase), 0);
    EXPECT_NE(GlobalFindAtomA((std::string(kBase) + "2").c_str()), 0);
    // The right one clears it.
    EXPECT_EQ(count(pack.c_str(), "secret1"), 1);
    EXPECT_EQ(GlobalFindAtomA(kBase), 0);
    EXPECT_EQ(GlobalFindAtomA((std::string(kBase) + "2").c_str()), 0);
    FreeLibrary(dll);
    ClearThrottleAtoms();
}

}  // namespace
