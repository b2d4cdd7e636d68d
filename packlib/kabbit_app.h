// CKabbitApp: the pack library's one controller. It holds every job's state, runs
// one job at a time on a worker thread and answers progress and stop requests.
// Every export of Kabbit.dll forwards to the process's one instance (TheApp).
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "packlib/buffer_cipher.h"
#include "packlib/sys.h"
#include "packlib/unpack.h"
#include "packlib/unpack_compressed.h"
#include "shared/messages.h"

namespace kb::pack {

enum PackJobKind : int { PACKJOB_NONE = 0, PACKJOB_PACK = 1, PACKJOB_UNPACK = 2 };

// ProgressValue: 0 to 100 while a job runs, PACKPROGRESS_DONE or PACKPROGRESS_KEPT
// (shared/messages.h), or the job's negative error code. A stopped job posts
// WM_PACK_STOPPED to the window given to Stop.

constexpr size_t kPathBufferSize = 260;
constexpr size_t kPasswordBufferSize = 256;
// EnumFiles writes the flag of entry i at min(i, kLastFlagIndex): the caller's
// flag buffer holds kLastFlagIndex + 1 bytes.
constexpr uint32_t kLastFlagIndex = 1000;

// The packing and buffer jobs' door into the controller (kabbit_app_access.h).
class CKabbitAppAccess;

class CKabbitApp {
public:
    explicit CKabbitApp(sys::Sys& sys = sys::SystemServices());
    // Waits for a running worker (unless called on it).
    ~CKabbitApp();
    CKabbitApp(const CKabbitApp&) = delete;
    CKabbitApp& operator=(const CKabbitApp&) = delete;

    // The exports; kabbit.h tells each one's contract. Strings may be null (empty).
    int GetType(const char* packPath, uint8_t* version, uint8_t* flags);
    int UnPack(const char* packPath, const char* destFolder, const char* entryName, const char* password);
    int EnumFiles(const char* packPath, char* names, int namesSize, uint8_t* flags, uint32_t* sizes,
                  int sizesBytes, const char* password);
    int GetProgress(char* currentName);
    int CreateNew(const char* packPath, const char* password, bool encrypted, int rounds);
    int GetFileCount(const char* packPath, const char* password);
    int GetTotalSize(const char* packPath, const char* password);
    int GetFileInfo(const char* packPath, int index, char* name, int* nameSize, int* dataLength,
                    const char* password);
    bool Stop(uintptr_t notifyWindow);
    void SetWorkingDir(const char* folder);
    int EnumFilesInZipPkg(const char* packPath, const char* entryName, char* names, int namesSize,
                          uint32_t* sizes, int sizesBytes, const char* password);
    int UnPackSubFile(const char* packPath, const char* destFolder, const char* entryName,
                      const char* subFileName, const char* password);

    // The working folder, or "" when none was set.
    std::string WorkingDir() const;

    // Called by the copy loops on the worker after each 1024-byte chunk (after the
    // progress is set, before the stop flag is read): lets tests hold a worker at
    // a chunk. Null removes it.
    using ChunkHook = void (*)(void* context, uint32_t chunkIndex);
    void SetChunkHookForTesting(ChunkHook hook, void* context);
    // Called on the worker after each progress change of a container's expansion.
    void SetExpandHookForTesting(ExpandHook hook, void* context);

    // The library's one container codec.
    CFileCodec& Codec() { return zip_.codec; }

    // Waits for the current worker, if any, to end.
    void WaitForWorker();

    sys::Sys& System() { return sys_; }

private:
    friend class CKabbitAppAccess;

    // One-job protocol, step 1: wait for the previous worker and forget it.
    void WaitForPreviousWorkerLocked();
    // Copies password (at most 255 bytes) into the password buffer.
    void CopyPassword(const char* password);
    // Steps 3 to 6: clear stop, progress and last error; start body(block); wait up
    // to 100 ms; return the worker's early error or 0. When no thread can be
    // created, records and returns PACKERR_CREATE_THREAD.
    int StartWorkerLocked(sys::ThreadBody body, void* block);

    // The UnPack steps after the wait: job kind, password, access check, entry,
    // output, worker. *workerStarted tells whether a worker ran (its output exists).
    int StartUnpackLocked(const char* packPath, const char* destFolder, const char* entryName,
                          const char* password, bool* workerStarted);

    // GetFileCount and GetTotalSize: the one-job wait, the access check, the walk.
    int CountAfterAccessCheck(const char* packPath, const char* password, uint32_t* count, uint64_t* total);

    static void UnpackWorkerMain(void* app);
    void RunUnpackWorker();
    void CopyEntryData(UnpackBlock& job, bool* stopped);
    int FinishPlainEntry(UnpackBlock& job);
    void ReportChunk(uint32_t chunkIndex);
    void PostStopped();
    void ResetUnpackOptions();

    // Compressed entries (unpack_compressed.cpp, zip_jobs.cpp).
    void FinishCompressedEntry(UnpackBlock& job, bool stopped);
    void DiscardCopy(const std::string& copyPath, const std::string& destFolder, const std::string& entryName);
    CodecHooks ExpandHooks();
    void WaitForSubFileWorkerLocked();
    static void SubFileWorkerMain(void* app);
    void RunSubFileWorker();

    void SetCurrentName(const char* name);

    sys::Sys& sys_;
    std::mutex jobMutex_;  // held by every export that follows the one-job protocol
    std::unique_ptr<sys::Thread> worker_;
    UnpackBlock unpack_;
    std::unique_ptr<CBufferCipher> key_;  // the key object workers code with

    std::atomic<bool> keepUnexpanded_{false};
    std::atomic<bool> discardCopy_{true};
    char password_[kPasswordBufferSize] = {};
    std::atomic<bool> compressedPack_{false};
    std::atomic<int> lastError_{0};
    std::atomic<int> progress_{0};
    std::atomic<bool> stop_{false};
    std::atomic<int> jobKind_{PACKJOB_NONE};
    std::atomic<uintptr_t> notifyWindow_{0};

    mutable std::mutex textMutex_;
    char currentName_[kPathBufferSize] = {};
    char workingDir_[kPathBufferSize] = {};

    std::atomic<ChunkHook> chunkHook_{nullptr};
    std::atomic<void*> chunkHookContext_{nullptr};

    ZipState zip_;
};

// The process's one controller, made when the library loads.
CKabbitApp& TheApp();

}  // namespace kb::pack
