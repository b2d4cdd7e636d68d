// The code-page guard of the double-byte test rows: natively the Japanese code
// page is chosen; on Windows the system's decides (Wine takes it from LANG).
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>

namespace kb::testing {

// Chooses code page 932 where the build can, and tells whether lead bytes now
// follow it.
bool UseCodePage932();
// Back to a single-byte code page where the build chooses one, and tells
// whether no byte is a lead byte now (under Wine the prefix's code page decides).
bool UseSingleByteCodePage();

}  // namespace kb::testing

// Skips the calling test where code page 932 is not in force; with the
// environment variable KB_REQUIRE_CP932 set (the code-page run: tests labelled
// cp932), that is a failure instead.
#define KB_REQUIRE_CP932()                                                                          \
    do {                                                                                            \
        if (!::kb::testing::UseCodePage932()) {                                                     \
            if (std::getenv("KB_REQUIRE_CP932")) FAIL() << "code page 932 required";                \
            GTEST_SKIP() << "no Japanese code page";                                                \
        }                                                                                           \
    } while (0)

// Skips the calling test where a double-byte code page is in force: its rows
// read bytes above 0x7F as single characters (the code-page run of a program
// labelled cp932 runs them in code page 932 too).
#define KB_REQUIRE_SINGLE_BYTE()                                                                    \
    do {                                                                                            \
        if (!::kb::testing::UseSingleByteCodePage()) GTEST_SKIP() << "a double-byte code page is in force"; \
    } while (0)
