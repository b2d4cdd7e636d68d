// CKabbitApp: the pack library's one controller. It holds the job state and the
// job objects that share it, and forwards each export to the job that serves it.
// Every export of Kabbit.dll goes through the process's one instance (TheApp).
#pragma once
#include <cstdint>
#include <string>

#include "packlib/buffer_jobs.h"
#include "packlib/enumerate.h"
#include "packlib/file_codec.h"
#include "packlib/job_state.h"
#include "packlib/pack_jobs.h"
#include "packlib/sys.h"
#include "packlib/unpack.h"
#include "packlib/zip_jobs.h"
#include "shared/messages.h"

namespace kb::pack {

// ProgressValue: 0 to 100 while a job runs, PACKPROGRESS_DONE or PACKPROGRESS_KEPT
// (shared/messages.h), or the job's negative error code. A stopped job posts
// WM_PACK_STOPPED to the window given to Stop.

class CKabbitApp {
public:
    explicit CKabbitApp(sys::Sys& sys = sys::SystemServices());
    // Waits for running workers (unless called on one).
    ~CKabbitApp();
    CKabbitApp(const CKabbitApp&) = delete;
    CKabbitApp& operator=(const CKabbitApp&) = delete;

    // The exports; kabbit.h and kabbit_zip.h tell each one's contract. Strings may
    // be null (empty).
    int GetType(const char* packPath, uint8_t* version, uint8_t* flags) {
        return enum_.GetType(packPath, version, flags);
    }
    int UnPack(const char* packPath, const char* destFolder, const char* entryName, const char* password) {
        return unpack_.UnPack(packPath, destFolder, entryName, password);
    }
    int EnumFiles(const char* packPath, char* names, int namesSize, uint8_t* flags, uint32_t* sizes,
                  int sizesBytes, const char* password) {
        return enum_.EnumFiles(packPath, names, namesSize, flags, sizes, sizesBytes, password);
    }
    int GetProgress(char* currentName) { return state_.GetProgress(currentName); }
    int CreateNew(const char* packPath, const char* password, bool encrypted, int rounds) {
        return enum_.CreateNew(packPath, password, encrypted, rounds);
    }
    int GetFileCount(const char* packPath, const char* password) { return enum_.GetFileCount(packPath, password); }
    int GetTotalSize(const char* packPath, const char* password) { return enum_.GetTotalSize(packPath, password); }
    int GetFileInfo(const char* packPath, int index, char* name, int* nameSize, int* dataLength,
                    const char* password) {
        return enum_.GetFileInfo(packPath, index, name, nameSize, dataLength, password);
    }
    bool Stop(uintptr_t notifyWindow) { return state_.Stop(notifyWindow); }
    void SetWorkingDir(const char* folder) { state_.SetWorkingDir(folder); }
    void SetUnpackLimit(uint64_t bytes) { unpack_.SetUnpackLimit(bytes); }
    int EnumFilesInZipPkg(const char* packPath, const char* entryName, char* names, int namesSize,
                          uint32_t* sizes, int sizesBytes, const char* password) {
        return zip_.EnumFilesInZipPkg(packPath, entryName, names, namesSize, sizes, sizesBytes, password);
    }
    int UnPackSubFile(const char* packPath, const char* destFolder, const char* entryName,
                      const char* subFileName, const char* password) {
        return zip_.UnPackSubFile(packPath, destFolder, entryName, subFileName, password);
    }

    // The packing and buffer exports' jobs.
    CPackJobs& Packing() { return pack_; }
    CBufferJobs& Buffers() { return buffers_; }

    // The working folder, or "" when none was set.
    std::string WorkingDir() const { return state_.WorkingDir(); }

    // See JobState::SetChunkHookForTesting.
    using ChunkHook = JobState::ChunkHook;
    void SetChunkHookForTesting(ChunkHook hook, void* context) { state_.SetChunkHookForTesting(hook, context); }
    // Called on the worker after each progress change of a container's expansion.
    void SetExpandHookForTesting(ExpandHook hook, void* context) { unpack_.SetExpandHookForTesting(hook, context); }

    // The library's one container codec.
    CFileCodec& Codec() { return codec_; }

    // Waits for the current job's workers, if any, to end.
    void WaitForWorker() { state_.WaitForWorkers(); }

    sys::Sys& System() { return state_.System(); }
    JobState& State() { return state_; }

private:
    // Made first and gone last: every job object reports to it.
    JobState state_;
    CFileCodec codec_;
    CUnpackJobs unpack_;
    CZipJobs zip_;
    CEnumJobs enum_;
    CPackJobs pack_;
    CBufferJobs buffers_;
};

// The process's one controller, made when the library loads.
CKabbitApp& TheApp();

}  // namespace kb::pack
