// The test programs' main leaves no thread of GoogleTest's running at exit.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <set>

#include "testing/kit/run_all_tests.h"

namespace kb::testing {
namespace {

std::set<DWORD> Threads() {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

struct Seen {
    DWORD thread = 0;
    size_t threadsInside = 0;
};

int TraceAndReport(void* param) {
    Seen& seen = *static_cast<Seen*>(param);
    seen.thread = GetCurrentThreadId();
    { SCOPED_TRACE("uses GoogleTest's per-thread state"); }
    seen.threadsInside = Threads().size();
    return 7;
}

TEST(RunLeavingNoThread, GivesTheResultOnceTheThreadAndItsWatcherHaveEnded) {
    const std::set<DWORD> before = Threads();
    Seen seen;
    EXPECT_EQ(RunLeavingNoThread(&TraceAndReport, &seen), 7);
    EXPECT_NE(seen.thread, GetCurrentThreadId()) << "on a thread of its own";
    // Inside: this thread, the run's thread and GoogleTest's watcher of it.
    EXPECT_GE(seen.threadsInside, before.size() + 2);
    EXPECT_EQ(Threads(), before) << "a thread started for the run still runs";
}

}  // namespace
}  // namespace kb::testing
