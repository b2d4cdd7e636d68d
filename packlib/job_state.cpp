// The state a job's workers and its caller share, and the one-job protocol.
#include "packlib/job_state.h"

#include <cstring>

#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

// Copies src into a fixed field of size bytes, cut to size - 1 and zero-terminated.
void CopyBounded(char* dest, size_t size, const char* src) {
    const size_t n = src ? strnlen(src, size - 1) : 0;
    std::memcpy(dest, src ? src : "", n);
    dest[n] = 0;
}

}  // namespace

JobState::JobState(sys::Sys& sys) : sys_(sys) {}

JobState::~JobState() { WaitForWorkersAtEnd(); }

void JobState::WaitForWorkersLocked() {
    for (auto it = workers_.rbegin(); it != workers_.rend(); ++it)
        if (!(*it)->IsCurrent()) (*it)->Wait(sys::kInfinite);
    workers_.clear();
}

void JobState::WaitForWorkers() {
    std::lock_guard<std::mutex> lock(mutex_);
    WaitForWorkersLocked();
}

void JobState::WaitForWorkersAtEnd() { WaitForWorkersLocked(); }

void JobState::SetJobKind(PackJobKind kind, bool compressedPack) {
    jobKind_ = kind;
    compressedPack_ = compressedPack;
}

void JobState::ClearStopRequest() { stop_.store(false, std::memory_order_release); }

int JobState::StartSideWorker(std::unique_ptr<sys::Thread>* slot, sys::ThreadBody body, void* arg) {
    ClearStopRequest();
    progress_ = 0;
    lastError_ = 0;
    *slot = sys_.StartThread(body, arg);
    if (!*slot) {
        lastError_ = PACKERR_CREATE_THREAD;
        return PACKERR_CREATE_THREAD;
    }
    // Lets the export report what fails at once (wrong entry, unreadable key).
    (*slot)->Wait(100);
    const int err = lastError_;
    return err < 0 ? err : 0;
}

int JobState::StartWorkerLocked(sys::ThreadBody body, void* arg) {
    std::unique_ptr<sys::Thread> worker;
    const int rc = StartSideWorker(&worker, body, arg);
    if (worker) workers_.push_back(std::move(worker));
    return rc;
}

bool JobState::AddWorkerLocked(sys::ThreadBody body, void* arg) {
    std::unique_ptr<sys::Thread> worker = sys_.StartThread(body, arg);
    if (!worker) return false;
    workers_.push_back(std::move(worker));
    return true;
}

int JobState::AwaitEarlyErrorLocked() {
    if (!workers_.empty()) workers_.back()->Wait(100);
    const int err = lastError_;
    return err < 0 ? err : 0;
}

sys::Thread* JobState::LatestWorkerLocked() const { return workers_.empty() ? nullptr : workers_.back().get(); }

void JobState::PostStopped(uint32_t message) {
    sys_.PostWindowMessage(notifyWindow_.load(std::memory_order_acquire), message);
}

void JobState::SetCurrentName(const char* name) {
    std::lock_guard<std::mutex> lock(textMutex_);
    CopyBounded(currentName_, sizeof currentName_, name);
}

void JobState::SetChunkHookForTesting(ChunkHook hook, void* context) {
    chunkHookContext_ = context;
    chunkHook_ = hook;
}

void JobState::ReportChunk(uint32_t chunkIndex) {
    if (ChunkHook hook = chunkHook_.load()) hook(chunkHookContext_.load(), chunkIndex);
}

int JobState::GetProgress(char* currentName) const {
    const int err = lastError_;
    if (err < 0) {
        if (currentName) currentName[0] = 0;
        return err;
    }
    if (currentName) {
        std::lock_guard<std::mutex> lock(textMutex_);
        std::memcpy(currentName, currentName_, std::strlen(currentName_) + 1);
    }
    return progress_;
}

bool JobState::Stop(uintptr_t notifyWindow) {
    const int p = progress_;
    if (p >= 100) return false;
    // The window first: a worker that sees the request (acquire) then reads this
    // window, never the one of an earlier Stop (0 before the first).
    notifyWindow_.store(notifyWindow, std::memory_order_release);
    if (StopHook hook = stopHook_.load()) hook(stopHookContext_.load());
    stop_.store(true, std::memory_order_release);
    switch (jobKind_.load()) {
        case PACKJOB_NONE:
        case PACKJOB_UNPACK:
            return true;
        case PACKJOB_PACK:
            return compressedPack_ && p < 50;
        default:
            return false;
    }
}

void JobState::SetStopHookForTesting(StopHook hook, void* context) {
    stopHookContext_ = context;
    stopHook_ = hook;
}

void JobState::SetWorkingDir(const char* folder) {
    std::lock_guard<std::mutex> lock(textMutex_);
    CopyBounded(workingDir_, sizeof workingDir_, folder);
}

std::string JobState::WorkingDir() const {
    std::lock_guard<std::mutex> lock(textMutex_);
    return workingDir_;
}

}  // namespace kb::pack
