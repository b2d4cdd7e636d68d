// The packing and buffer jobs run inside the controller's one-job protocol and
// report through its state; this is their one door into it.
#pragma once
#include <mutex>

#include "packlib/kabbit_app.h"

namespace kb::pack {

class CKabbitAppAccess {
public:
    static std::mutex& JobMutex(CKabbitApp& app) { return app.jobMutex_; }
    static void WaitForPreviousWorkerLocked(CKabbitApp& app) { app.WaitForPreviousWorkerLocked(); }
    static int StartWorkerLocked(CKabbitApp& app, sys::ThreadBody body, void* block) {
        return app.StartWorkerLocked(body, block);
    }
    static void CopyPassword(CKabbitApp& app, const char* password) { app.CopyPassword(password); }
    static std::atomic<int>& Progress(CKabbitApp& app) { return app.progress_; }
    static std::atomic<int>& LastError(CKabbitApp& app) { return app.lastError_; }
    static std::atomic<bool>& StopFlag(CKabbitApp& app) { return app.stop_; }
    static std::atomic<uintptr_t>& NotifyWindow(CKabbitApp& app) { return app.notifyWindow_; }
    static std::atomic<int>& JobKind(CKabbitApp& app) { return app.jobKind_; }
    static std::atomic<bool>& CompressedPack(CKabbitApp& app) { return app.compressedPack_; }
    static void PostStopped(CKabbitApp& app) { app.PostStopped(); }
    static void SetCurrentName(CKabbitApp& app, const char* name) { app.SetCurrentName(name); }
    static void ReportChunk(CKabbitApp& app, uint32_t chunkIndex) { app.ReportChunk(chunkIndex); }
};

}  // namespace kb::pack
