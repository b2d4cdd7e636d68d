// The password-attack throttle on a fake atom table and a fake sleep.
#include "packlib/throttle.h"

#include <gtest/gtest.h>

#include "frame_test_support.h"

namespace kb::pack {
namespace {

std::string Step(uint32_t n) { return PasswordThrottle::StepName(n); }
const std::string kBase = PasswordThrottle::kBaseName;

TEST(PasswordThrottle, WrongPasswordsInARowDoubleTheWaitAndARightOneResets) {
    testing::FakeSys sys;
    PasswordThrottle throttle(sys);
    throttle.Failure();
    EXPECT_EQ(sys.AtomNames(), (std::vector<std::string>{kBase, Step(2)}));
    throttle.Failure();
    throttle.Failure();
    EXPECT_EQ(sys.Sleeps(), (std::vector<uint32_t>{1000, 2000, 4000}));
    EXPECT_EQ(sys.AtomNames(), (std::vector<std::string>{kBase, Step(8)}));
    throttle.Success();
    EXPECT_TRUE(sys.AtomNames().empty());
    throttle.Failure();
    EXPECT_EQ(sys.Sleeps().back(), 1000u);
}

struct SeededCase {
    std::vector<std::string> seeded;
    std::vector<uint32_t> sleeps;
    std::vector<std::string> after;  // sorted
};

TEST(PasswordThrottle, StepsFromSeededAtoms) {
    const SeededCase cases[] = {
        // The longest wait stays the longest.
        {{kBase, Step(4194304)}, {4194304000u}, {kBase, Step(4194304)}},
        // The step below it moves up to it.
        {{kBase, Step(2097152)}, {2097152000u}, {kBase, Step(4194304)}},
        // The base alone is dropped without a wait.
        {{kBase}, {}, {}},
        // The first existing step counts.
        {{kBase, Step(1), Step(64)}, {1000}, {kBase, Step(2), Step(64)}},
    };
    for (const auto& c : cases) {
        testing::FakeSys sys;
        for (const auto& a : c.seeded) sys.AddGlobalAtom(a.c_str());
        PasswordThrottle(sys).Failure();
        EXPECT_EQ(sys.Sleeps(), c.sleeps) << c.seeded.back();
        auto names = sys.AtomNames();
        auto expected = c.after;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected) << c.seeded.back();
    }
}

TEST(PasswordThrottle, SuccessDeletesTheBaseAndTheFirstStepOnly) {
    testing::FakeSys sys;
    for (const auto& a : {kBase, Step(16), Step(32)}) sys.AddGlobalAtom(a.c_str());
    PasswordThrottle(sys).Success();
    EXPECT_EQ(sys.AtomNames(), (std::vector<std::string>{Step(32)}));
    // Without the base nothing is touched.
    PasswordThrottle(sys).Success();
    EXPECT_EQ(sys.AtomNames(), (std::vector<std::string>{Step(32)}));
    EXPECT_TRUE(sys.Sleeps().empty());
}

}  // namespace
}  // namespace kb::pack
