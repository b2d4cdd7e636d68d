#include "testing/kit/run_all_tests.h"

#include <gtest/gtest.h>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>

#include <set>
#include <vector>
#endif

namespace kb::testing {

#ifdef _WIN32
namespace {

std::set<DWORD> ThreadsOfThisProcess() {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

struct Job {
    int (*body)(void*) = nullptr;
    void* arg = nullptr;
    int result = 1;
    std::vector<HANDLE> watchers;
};

DWORD WINAPI RunJob(void* param) {
    Job& job = *static_cast<Job*>(param);
    // GoogleTest starts a watcher thread for each thread that first uses its
    // per-thread state (a trace, a failure) and the watcher waits for that
    // thread's end. Its state is used here first, so the watcher is the one
    // thread that appears meanwhile, and it can be waited for.
    const std::set<DWORD> before = ThreadsOfThisProcess();
    { SCOPED_TRACE("the test thread"); }
    for (DWORD id : ThreadsOfThisProcess()) {
        if (before.count(id)) continue;
        if (HANDLE watcher = OpenThread(SYNCHRONIZE, FALSE, id)) job.watchers.push_back(watcher);
    }
    job.result = job.body(job.arg);
    return 0;
}

struct Arguments {
    int argc;
    char** argv;
};

int InitAndRun(void* param) {
    Arguments& a = *static_cast<Arguments*>(param);
    ::testing::InitGoogleTest(&a.argc, a.argv);
    return RUN_ALL_TESTS();
}

}  // namespace

int RunLeavingNoThread(int (*body)(void*), void* arg) {
    Job job;
    job.body = body;
    job.arg = arg;
    HANDLE thread = CreateThread(nullptr, 0, &RunJob, &job, 0, nullptr);
    if (!thread) {
        std::fprintf(stderr, "the test thread could not start (error %lu)\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    // Each watcher ends once the thread it watches has ended, as it now has.
    for (HANDLE watcher : job.watchers) {
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
    }
    return job.result;
}

int RunAllTests(int argc, char** argv) {
    Arguments a{argc, argv};
    return RunLeavingNoThread(&InitAndRun, &a);
}

#else

int RunAllTests(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#endif

}  // namespace kb::testing
