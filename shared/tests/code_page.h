// Rows with lead bytes need the Japanese code page: chosen natively, present
// under Wine only when the prefix runs in it. With KB_REQUIRE_SHIFT_JIS set (the
// Japanese run) a missing code page is a failure, not a skip.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>

#include "shared/base/dbcs.h"

namespace kb::testing {

inline bool UseShiftJis() {
#ifndef _WIN32
    platform::SetAnsiCodePageForTesting(932);
#endif
    return platform::IsLeadByte(0x81) && platform::IsLeadByte(0x95) && !platform::IsLeadByte(0x41);
}

inline void UseSingleByte() {
#ifndef _WIN32
    platform::SetAnsiCodePageForTesting(1252);
#endif
}

#define KB_REQUIRE_SHIFT_JIS()                                                            \
    do {                                                                                  \
        if (!::kb::testing::UseShiftJis()) {                                              \
            if (std::getenv("KB_REQUIRE_SHIFT_JIS")) FAIL() << "code page 932 required"; \
            GTEST_SKIP() << "no Japanese code page";                                      \
        }                                                                                 \
    } while (0)

// A test whose every row needs lead bytes; natively single bytes again after it.
class ShiftJisTest : public ::testing::Test {
protected:
    void SetUp() override { KB_REQUIRE_SHIFT_JIS(); }
    void TearDown() override { UseSingleByte(); }
};

}  // namespace kb::testing
