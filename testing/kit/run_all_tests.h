#pragma once
// The main of every test program (GTest::gtest_main is built from it).
namespace kb::testing {

// InitGoogleTest and RUN_ALL_TESTS. On Windows they run on a thread of their
// own, and this returns once that thread and the thread GoogleTest starts to
// watch it have ended: a thread still running when the process ends is killed
// in the middle of the exit, which the 32-bit Wine does not always survive.
int RunAllTests(int argc, char** argv);

#ifdef _WIN32
// Runs body(arg) the same way and gives its result: on a thread of its own
// that has used GoogleTest's per-thread state, and returns once both that
// thread and GoogleTest's watcher of it have ended.
int RunLeavingNoThread(int (*body)(void*), void* arg);
#endif

}  // namespace kb::testing
