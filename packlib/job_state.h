// JobState: where every job of the pack library and its caller meet. The caller's
// thread starts workers one job at a time, polls the progress and asks for a stop;
// the workers report progress, the last error and the current name, watch the stop
// request and tell the notify window that they stopped.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "packlib/sys.h"
#include "shared/base/paths.h"

namespace kb::pack {

enum PackJobKind : int { PACKJOB_NONE = 0, PACKJOB_PACK = 1, PACKJOB_UNPACK = 2 };

// The current name and the working folder hold at most 259 characters and the zero.
constexpr size_t kPathBufferSize = kMaxPathLength + 1;

class JobState {
public:
    explicit JobState(sys::Sys& sys);
    // Waits for the job's workers (unless called on one of them).
    ~JobState();
    JobState(const JobState&) = delete;
    JobState& operator=(const JobState&) = delete;

    sys::Sys& System() const { return sys_; }

    // --- The one-job protocol, on the caller's thread. ---

    // Held by every export that follows the protocol, from its wait to its return.
    std::mutex& Mutex() { return mutex_; }
    // Step 1: waits for the job's workers, the latest first (a later worker may wait
    // on an earlier one), then forgets them.
    void WaitForWorkersLocked();
    // Takes the lock, then waits as step 1.
    void WaitForWorkers();
    // For destructors: waits as step 1 without the lock, which a thread ended by the
    // process's exit may still hold.
    void WaitForWorkersAtEnd();

    // The kind of the job being set up and, for a pack, whether it compresses: what
    // Stop answers depends on them.
    void SetJobKind(PackJobKind kind, bool compressedPack);
    // Clears the stop request ahead of a job's own checks.
    void ClearStopRequest();

    // Steps 3 to 6: clears the stop request, the progress and the last error; starts
    // body(arg) as the job's worker; waits up to 100 ms; returns the worker's early
    // error or 0. When no thread can be created, records and returns
    // PACKERR_CREATE_THREAD.
    int StartWorkerLocked(sys::ThreadBody body, void* arg);
    // Starts body(arg) as one more worker of the running job, its state left as it
    // is; false (nothing recorded) when no thread could be created.
    bool AddWorkerLocked(sys::ThreadBody body, void* arg);
    // Steps 5 and 6 for the latest worker.
    int AwaitEarlyErrorLocked();
    // The latest worker started, for a further one to wait on; null when none.
    sys::Thread* LatestWorkerLocked() const;

    // Steps 3 to 6 for a worker that runs beside the jobs, kept in *slot by its owner
    // and never waited for by step 1 (the buffer jobs).
    int StartSideWorker(std::unique_ptr<sys::Thread>* slot, sys::ThreadBody body, void* arg);

    // --- What workers report. ---

    void SetProgress(int progress) { progress_.store(progress); }
    int Progress() const { return progress_.load(); }
    void SetLastError(int error) { lastError_.store(error); }
    int LastError() const { return lastError_.load(); }
    bool StopRequested() const { return stop_.load(std::memory_order_acquire); }
    // Posts message to the window given to Stop. Called once StopRequested was seen
    // true: that window is the one published with the request, never an earlier one.
    void PostStopped(uint32_t message);
    // Copies name (at most 259 characters) into the current name.
    void SetCurrentName(const char* name);

    // Called by the copy loops on the worker after each 1024-byte chunk (after the
    // progress is set, before the stop request is read): lets tests hold a worker at
    // a chunk. Null removes it.
    using ChunkHook = void (*)(void* context, uint32_t chunkIndex);
    void SetChunkHookForTesting(ChunkHook hook, void* context);
    void ReportChunk(uint32_t chunkIndex);

    // --- What the caller asks. ---

    // GetProgress: the last error when negative (currentName then ""), otherwise the
    // progress with the current name copied to currentName (260 bytes) if given.
    int GetProgress(char* currentName) const;
    // Stop: below progress 100, records window as the notify window and then raises
    // the stop request; TRUE when the job kind lets the job stop there.
    bool Stop(uintptr_t notifyWindow);
    // Called by Stop between recording the window and raising the request, so tests
    // can look at what a worker meets there. Null removes it.
    using StopHook = void (*)(void* context);
    void SetStopHookForTesting(StopHook hook, void* context);

    // The working folder (at most 259 characters); "" when none was set.
    void SetWorkingDir(const char* folder);
    std::string WorkingDir() const;

private:
    sys::Sys& sys_;
    std::mutex mutex_;
    // The job's workers in the order they started.
    std::vector<std::unique_ptr<sys::Thread>> workers_;

    std::atomic<int> progress_{0};
    std::atomic<int> lastError_{0};
    std::atomic<bool> stop_{false};
    std::atomic<uintptr_t> notifyWindow_{0};
    std::atomic<int> jobKind_{PACKJOB_NONE};
    std::atomic<bool> compressedPack_{false};

    mutable std::mutex textMutex_;
    char currentName_[kPathBufferSize] = {};
    char workingDir_[kPathBufferSize] = {};

    std::atomic<ChunkHook> chunkHook_{nullptr};
    std::atomic<void*> chunkHookContext_{nullptr};
    std::atomic<StopHook> stopHook_{nullptr};
    std::atomic<void*> stopHookContext_{nullptr};
};

}  // namespace kb::pack
