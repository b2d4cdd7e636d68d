// Helpers of the launcher tests: the Japanese code page switch.
#pragma once
#include <cstdlib>

#include <gtest/gtest.h>

#include "shared/platform/dbcs.h"

namespace kb::launcher::testing {

// Chooses the Japanese code page natively; under Wine the prefix's code page
// decides. True when lead bytes now follow code page 932.
inline bool UseShiftJis() {
#ifndef _WIN32
    kb::platform::SetAnsiCodePageForTesting(932);
#endif
    return kb::platform::IsLeadByte(0x81) && kb::platform::IsLeadByte(0xE0) && !kb::platform::IsLeadByte(0x41);
}

inline void UseSingleByte() {
#ifndef _WIN32
    kb::platform::SetAnsiCodePageForTesting(1252);
#endif
}

// Skips a double-byte test where the code page has no lead bytes; with
// KB_REQUIRE_SHIFT_JIS set that is a failure instead.
#define LAUNCHER_REQUIRE_SHIFT_JIS()                                                     \
    do {                                                                                 \
        if (!::kb::launcher::testing::UseShiftJis()) {                                   \
            if (std::getenv("KB_REQUIRE_SHIFT_JIS")) FAIL() << "code page 932 required"; \
            GTEST_SKIP() << "no Japanese code page";                                     \
        }                                                                                \
    } while (0)

}  // namespace kb::launcher::testing
