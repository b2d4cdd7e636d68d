// Buffer jobs: coding caller memory with the buffer cipher, synchronously or on a
// worker of their own whose result waits to be fetched.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "packlib/job_state.h"
#include "packlib/sys.h"

namespace kb::pack {

class CBufferJobs {
public:
    // The buffer worker reports to state: the progress and last error GetProgress
    // shows, the stop request and the window that learns of a stop.
    explicit CBufferJobs(JobState& state);
    // Waits for a running buffer worker and frees the coded data.
    ~CBufferJobs();
    CBufferJobs(const CBufferJobs&) = delete;
    CBufferJobs& operator=(const CBufferJobs&) = delete;

    // EncryptBufferData and DecryptBufferData (the coding is its own inverse): codes
    // length bytes of data in 1024-byte chunks (chunk i with CodeBufferChunk(i)) under
    // the data key of the password after 126 passes. The password is read up to its
    // zero, never past passwordLength bytes; passwordLength is what the length rule
    // checks.
    // - synchronous: data are coded in place when the call returns, with a cipher of
    //   this call alone (a file job's key is never touched); the coded data waiting
    //   for GetCodedData are left alone;
    // - not synchronous: the bytes are taken at once and coded on a worker that does
    //   not wait for a running file job (it sets the progress, (i + 1) * 100 / c after
    //   chunk i of c, then 101); data stay unchanged. Unfetched coded data of an
    //   earlier job are dropped. A stopped worker posts WM_PACK_STOPPED and leaves no
    //   coded data. The result is 0 once the worker has started, or its early error.
    // Results: 0; PACKERR_NULL_BUFFER (data or password null, length 0);
    // PACKERR_INVALID_PARAMETER (length negative); PACKERR_PASSWORD_TOO_SHORT
    // (passwordLength under 6) / PACKERR_PASSWORD_TOO_LONG (256 or more);
    // PACKERR_NOT_ENOUGH_MEMORY; PACKERR_CREATE_KEY (empty password);
    // PACKERR_CREATE_THREAD (not synchronous, no worker could be started).
    int Code(void* data, int length, const char* password, int passwordLength, bool synchronous);

    // Waits for the buffer worker, then copies the coded data of the latest
    // asynchronous job into output (outputLength bytes) and frees them.
    // PACKERR_NULL_BUFFER: output null, outputLength 0 or less, or no coded data
    // (none made, fetched already, or the job failed or was stopped);
    // PACKERR_NOT_ENOUGH_MEMORY: outputLength below the coded length (the data are
    // kept). 0 on success.
    int GetCodedData(void* output, int outputLength);

    // Waits for the buffer worker, if any, to end.
    void WaitForWorker();

    // Called on the worker after each chunk (after the progress is set, before the
    // stop request is read), so tests can hold a worker at a chunk. Null removes it.
    using ChunkHook = void (*)(void* context, uint32_t chunkIndex);
    void SetChunkHookForTesting(ChunkHook hook, void* context);

private:
    struct Job;
    static void WorkerMain(void* self);
    void RunWorker();
    void WaitForWorkerLocked();

    JobState& state_;
    std::mutex mutex_;  // the worker handle, the job block and the coded data
    std::unique_ptr<sys::Thread> worker_;
    std::unique_ptr<Job> job_;             // owned by the worker while it runs
    std::unique_ptr<uint8_t[]> coded_;     // coded data waiting to be fetched
    size_t codedLength_ = 0;
    std::atomic<ChunkHook> chunkHook_{nullptr};
    std::atomic<void*> chunkHookContext_{nullptr};
};

// Codes length bytes of data in place with a cipher of its own (126 passes);
// password is read up to its zero, at most passwordLength (and 255) bytes.
// 0, PACKERR_NOT_ENOUGH_MEMORY or PACKERR_CREATE_KEY (data unchanged then).
int CodeBufferInPlace(uint8_t* data, size_t length, const char* password, size_t passwordLength);

}  // namespace kb::pack
