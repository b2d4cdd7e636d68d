// Every test program's main: GTest::gtest_main is built from this file.
#include "testing/kit/run_all_tests.h"

int main(int argc, char** argv) { return kb::testing::RunAllTests(argc, argv); }
