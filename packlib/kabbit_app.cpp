// The controller's frame: one job at a time, progress, stop and the working folder.
#include "packlib/kabbit_app.h"

#include <cstring>
#include <new>

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

CKabbitApp::CKabbitApp(sys::Sys& sys) : sys_(sys) {
    key_.reset(new (std::nothrow) CBufferCipher);
    if (!key_) lastError_ = PACKERR_NOT_ENOUGH_MEMORY;
}

CKabbitApp::~CKabbitApp() {
    // The sub-file worker waits on the unpack worker's handle: it goes first.
    if (zip_.subWorker && !zip_.subWorker->IsCurrent()) zip_.subWorker->Wait(sys::kInfinite);
    if (worker_ && !worker_->IsCurrent()) worker_->Wait(sys::kInfinite);
}

void CKabbitApp::WaitForWorker() {
    std::lock_guard<std::mutex> lock(jobMutex_);
    WaitForPreviousWorkerLocked();
}

void CKabbitApp::WaitForPreviousWorkerLocked() {
    WaitForSubFileWorkerLocked();
    if (!worker_) return;
    if (!worker_->IsCurrent()) worker_->Wait(sys::kInfinite);
    worker_.reset();
}

void CKabbitApp::CopyPassword(const char* password) { CopyBounded(password_, sizeof password_, password); }

int CKabbitApp::StartWorkerLocked(sys::ThreadBody body, void* block) {
    stop_ = false;
    progress_ = 0;
    lastError_ = 0;
    worker_ = sys_.StartThread(body, block);
    if (!worker_) {
        lastError_ = PACKERR_CREATE_THREAD;
        return PACKERR_CREATE_THREAD;
    }
    // Lets the export report what fails at once (wrong entry, unreadable key).
    worker_->Wait(100);
    const int err = lastError_;
    return err < 0 ? err : 0;
}

int CKabbitApp::GetProgress(char* currentName) {
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

bool CKabbitApp::Stop(uintptr_t notifyWindow) {
    const int p = progress_;
    if (p >= 100) return false;
    stop_ = true;
    notifyWindow_ = notifyWindow;
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

void CKabbitApp::SetWorkingDir(const char* folder) {
    std::lock_guard<std::mutex> lock(textMutex_);
    CopyBounded(workingDir_, sizeof workingDir_, folder);
}

std::string CKabbitApp::WorkingDir() const {
    std::lock_guard<std::mutex> lock(textMutex_);
    return workingDir_;
}

void CKabbitApp::SetCurrentName(const char* name) {
    std::lock_guard<std::mutex> lock(textMutex_);
    CopyBounded(currentName_, sizeof currentName_, name);
}

void CKabbitApp::SetChunkHookForTesting(ChunkHook hook, void* context) {
    chunkHookContext_ = context;
    chunkHook_ = hook;
}

void CKabbitApp::ReportChunk(uint32_t chunkIndex) {
    if (ChunkHook hook = chunkHook_.load()) hook(chunkHookContext_.load(), chunkIndex);
}

void CKabbitApp::PostStopped() { sys_.PostWindowMessage(notifyWindow_, WM_PACK_STOPPED); }

void CKabbitApp::ResetUnpackOptions() {
    keepUnexpanded_ = false;
    discardCopy_ = true;
}

CKabbitApp& TheApp() {
    static CKabbitApp app;
    return app;
}

}  // namespace kb::pack
